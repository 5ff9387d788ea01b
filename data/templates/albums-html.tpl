; Album list as a web page: one table per artist, with playing times, sizes, the volume
; of every album and where that volume is mounted now.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Album list as a web page (HTML), grouped by artist.%nFor every album: year, genre, format, tracks, playing time, size, the volume it is on and where that volume is mounted now. Totals per artist and for the whole list.
Author=Tunelister
FileExtension=html
GroupBy=Artist
SortBy=Artist, Album, Year
Copy=tunelister.css
HTMLEncode=1
EmptyCell=&nbsp;

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<title>Albums: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Albums</h1>%n<p class="made">Made by %v on %t.</p>%n
End=<p class="summary">%r albums by %g artists: %Track% tracks, %Length LTIME% of music, %Size BYTE%.</p>%n</body>%n</html>%n

[Group]
Start=<h2>%Artist%</h2>%n<table>%n<thead><tr><th class="num">#</th><th>Album</th><th>Year</th><th>Genre</th><th>Format</th><th class="num">Tracks</th><th class="num">Time</th><th class="num">Size</th><th>Volume</th><th>Folder</th></tr></thead>%n<tbody>%n
End=</tbody>%n<tfoot><tr><td></td><td colspan="4">Total: %l</td><td class="num">%Track%</td><td class="num">%Length LTIME%</td><td class="num">%Size BYTE%</td><td colspan="2"></td></tr></tfoot>%n</table>%n

[Item]
Item=<tr class="%e"><td class="num">%l</td><td>%Album%</td><td>%Year%</td><td>%Genre%</td><td>%Type%</td><td class="num">%Track%</td><td class="num">%Length TIME%</td><td class="num">%Size BYTE%</td><td>%VolDescription% (%VolName%)</td><td class="where %m">%d%Path%</td></tr>%n
