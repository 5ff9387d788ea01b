; Album list for spreadsheets: comma-separated values, UTF-8 with a byte order mark,
; every field in double quotation marks (the CSV modifier doubles a quotation mark inside
; a value), CR LF line ends.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Album list for spreadsheets (CSV, UTF-8), one line per album, every value in double quotation marks.%nLength is given in seconds and as h:mm:ss, Size in bytes.%nQuotation marks, commas, semicolons and line breaks inside a tag stay inside its value.
Author=Tunelister
FileExtension=csv
SortBy=Artist, Album, Year
HTMLEncode=0

[Document]
Start=﻿"Artist","Album","Year","Genre","Tracks","Length (s)","Length","Size (bytes)","Volume","Label","Serial","Folder","Bit rate","Scanned"%n

[Item]
Item=%Artist CSV%,%Album CSV%,%Year CSV%,%Genre CSV%,%Track CSV%,%Length CSV%,%Length LTIME CSV%,%Size CSV%,%VolDescription CSV%,%VolName CSV%,%VolSerial CSV%,%Path CSV%,%Bitrate CSV%,%ScanDate DATE CSV%%n
