; Album list as plain text in fixed-width columns, for printing or mailing. Columns count
; display columns (two for a Chinese, Japanese or Korean character), so accented and East
; Asian names line up; a value too long for its column ends in ">".
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Album list as plain text in fixed-width columns, sorted by artist and album.%nLong names are cut to their column and marked with ">"; a total line ends the list.
Author=Tunelister
FileExtension=txt
SortBy=Artist, Album, Year
HTMLEncode=0

[Document]
Start=Albums -- %v, %t%n%nArtist                         Album                                   Year Format        Tracks      Time     Size  Volume%n------------------------------ --------------------------------------- ---- ------------ ------- --------- -------- --------------------%n
End=------------------------------ --------------------------------------- ---- ------------ ------- --------- -------- --------------------%nTotal: %r albums, %Track% tracks, %Length LTIME%, %Size BYTE%%n

[Item]
Item=%Artist 30 PAD% %Album 39 PAD% %Year 4 PAD% %Type 12 PAD% %Track 7 PAD RIGHT% %Length 9 PAD RIGHT TIME% %Size 8 PAD RIGHT BYTE% %VolDescription 20%%n
