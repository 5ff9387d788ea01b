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

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<meta name="viewport" content="width=device-width, initial-scale=1">%n<title>Albums: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Albums</h1>%n<p class="made">Made by %v on %t. Folders on volumes that are not mounted now are grey.</p>%n
End=<p class="summary">Albums: %r · Artists: %g · Tracks: %Track% · Playing time: %Length LTIME% · Size: %Size BYTE%</p>%n</body>%n</html>%n

[Group]
Start=<h2>%Artist%</h2>%n<table class="list albums">%n<thead><tr><th class="n">#</th><th class="album">Album</th><th class="year">Year</th><th class="genre">Genre</th><th class="format">Format</th><th class="tracks">Tracks</th><th class="time">Time</th><th class="size">Size</th><th class="volume">Volume</th><th class="where">Folder</th></tr></thead>%n<tbody>%n
End=</tbody>%n<tfoot><tr><td class="n"></td><td class="album">Total: %l</td><td class="year"></td><td class="genre"></td><td class="format"></td><td class="tracks">%Track%</td><td class="time">%Length LTIME%</td><td class="size">%Size BYTE%</td><td class="volume"></td><td class="where"></td></tr></tfoot>%n</table>%n

[Item]
Item=<tr class="%e"><td class="n">%l</td><td class="album">%Album%</td><td class="year">%Year%</td><td class="genre">%Genre%</td><td class="format">%Type%</td><td class="tracks">%Track%</td><td class="time">%Length TIME%</td><td class="size">%Size BYTE%</td><td class="volume">%VolDescription% <span class="label">%VolName%</span></td><td class="where %m">%d%Path%</td></tr>%n
