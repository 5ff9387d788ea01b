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
EmptyCell=&nbsp;

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<title>Volumes: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Volumes</h1>%n<p class="made">Made by %v on %t.</p>%n
End=<p class="summary">%g volumes, %r albums: %Track% tracks, %Length LTIME% of music, %Size BYTE%.</p>%n</body>%n</html>%n

[Group]
Start=<h2>%g. %VolDescription%</h2>%n<p>Label %VolName%, serial %VolSerial%, scanned on %ScanDate DATE%: <span class="%m">%d</span></p>%n<table>%n<thead><tr><th>Folder</th><th>Artist</th><th>Album</th><th>Year</th><th class="num">Tracks</th><th class="num">Time</th><th class="num">Size</th></tr></thead>%n<tbody>%n
End=</tbody>%n<tfoot><tr><td colspan="4">Total: %l</td><td class="num">%Track%</td><td class="num">%Length LTIME%</td><td class="num">%Size BYTE%</td></tr></tfoot>%n</table>%n

[Item]
Item=<tr class="%e"><td>%Path%</td><td>%Artist%</td><td>%Album%</td><td>%Year%</td><td class="num">%Track%</td><td class="num">%Length TIME%</td><td class="num">%Size BYTE%</td></tr>%n
