; Albums per year as a bar chart on a web page. Every album adds one segment to the bar
; of its year; pointing at a segment names the album.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Statistics as a web page (HTML): a bar chart of the albums per year. Each album is one segment of its year's bar, in order of genre; pointing at a segment names the album. The playing time and size of every year follow the bar.%nThe companion template stats-html charts the albums per genre.
Author=Tunelister
FileExtension=html
GroupBy=Year
SortBy=Year, Genre, Artist, Album
Copy=tunelister.css
HTMLEncode=1
EmptyCell=(unknown)

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<title>Albums per year: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Albums per year</h1>%n<p class="made">Made by %v on %t.</p>%n<table class="chart">%n<thead><tr><th>Year</th><th>Albums</th><th class="num">Count</th><th class="num">Time</th><th class="num">Size</th></tr></thead>%n<tbody>%n
End=</tbody>%n</table>%n<p class="summary">%r albums in %g years: %Length LTIME% of music, %Size BYTE%.</p>%n</body>%n</html>%n

[Group]
Start=<tr><th>%Year%</th><td class="bar">
End=</td><td class="num">%l</td><td class="num">%Length LTIME%</td><td class="num">%Size BYTE%</td></tr>%n

[Item]
Item=<i class="%e"><b>%Genre%: %Artist% - %Album%</b></i>
