; Catalogue of volumes as a web page: one section per volume with its albums, its total
; size and playing time, and whether it is mounted now.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Catalogue of volumes as a web page (HTML): one section per catalogued volume (disc, disk, network folder) with its albums, total size and playing time, and where it is mounted now, if it is.
Author=Tunelister
FileExtension=html
GroupBy=VolDescription, VolSerial, VolName
SortBy=VolDescription, VolSerial, VolName, Path
Copy=tunelister.css
HTMLEncode=1

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<meta name="viewport" content="width=device-width, initial-scale=1">%n<title>Volumes: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Volumes</h1>%n<p class="made">Made by %v on %t.</p>%n
End=<p class="summary">Volumes: %g · Albums: %r · Tracks: %Track% · Playing time: %Length LTIME% · Size: %Size BYTE%</p>%n</body>%n</html>%n

[Group]
Start=<h2>%g. %VolDescription%</h2>%n<dl class="volume"><div><dt>Label</dt><dd>%VolName%</dd></div><div><dt>Serial</dt><dd>%VolSerial%</dd></div><div><dt>Scanned</dt><dd>%ScanDate DATE%</dd></div><div class="mount %m"><dt>Mounted</dt><dd><span>%d</span></dd></div></dl>%n<table class="list volume">%n<thead><tr><th class="where">Folder</th><th class="artist">Artist</th><th class="album">Album</th><th class="year">Year</th><th class="tracks">Tracks</th><th class="time">Time</th><th class="size">Size</th></tr></thead>%n<tbody>%n
End=</tbody>%n<tfoot><tr><td class="where">Total: %l</td><td class="artist"></td><td class="album"></td><td class="year"></td><td class="tracks">%Track%</td><td class="time">%Length LTIME%</td><td class="size">%Size BYTE%</td></tr></tfoot>%n</table>%n

[Item]
Item=<tr class="%e"><td class="where">%Path%</td><td class="artist">%Artist%</td><td class="album">%Album%</td><td class="year">%Year%</td><td class="tracks">%Track%</td><td class="time">%Length TIME%</td><td class="size">%Size BYTE%</td></tr>%n
