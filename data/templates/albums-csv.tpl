; Album list for spreadsheets: comma-separated values, UTF-8 with a byte order mark,
; every field in double quotation marks, CR LF line ends.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Album list for spreadsheets (CSV, UTF-8), one line per album, every value in double quotation marks.%nLength is given in seconds and as h:mm:ss, Size in bytes.%nA double quotation mark inside a tag cannot be doubled by a template, so a value holding one spoils its line: check such tags first.
Author=Tunelister
FileExtension=csv
SortBy=Artist, Album, Year
HTMLEncode=0

[Document]
Start=﻿"Artist","Album","Year","Genre","Tracks","Length (s)","Length","Size (bytes)","Volume","Label","Serial","Folder","Bit rate","Scanned"%n

[Item]
Item="%Artist%","%Album%","%Year%","%Genre%","%Track%","%Length%","%Length LTIME%","%Size%","%VolDescription%","%VolName%","%VolSerial%","%Path%","%Bitrate%","%ScanDate DATE%"%n
