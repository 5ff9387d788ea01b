; Albums per year as a bar chart on a web page: every year's bar is as long as its share
; of the year with the most albums; choosing a year lists its albums.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Statistics as a web page (HTML): a bar chart of the albums per year, each bar as long as its year's share of the year with the most albums, with the number of albums, the playing time and the size of every year. Choosing a year lists its albums by genre.%nThe companion template stats-html charts the albums per genre.
Author=Tunelister
FileExtension=html
GroupBy=Year
SortBy=Year, Genre, Artist, Album
Copy=tunelister.css
HTMLEncode=1
EmptyCell=(unknown)

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<meta name="viewport" content="width=device-width, initial-scale=1">%n<title>Albums per year: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Albums per year</h1>%n<p class="made">Made by %v on %t. Choose a year to list its albums.</p>%n<div class="chart">%n<div class="head"><span class="label">Year</span><span class="count">Albums</span><span class="bar"></span><span class="time">Time</span><span class="size">Size</span></div>%n
End=</div>%n<p class="summary">Albums: %r · Years: %g · Playing time: %Length LTIME% · Size: %Size BYTE%</p>%n</body>%n</html>%n

[Group]
Start=<div class="row" id="g%g"><a class="label" href="#g%g">%Year%</a><span class="count">%c</span><span class="bar"><i style="width:%p%%"></i></span><ol class="albums">%n
End=</ol><span class="time">%Length LTIME%</span><span class="size">%Size BYTE%</span></div>%n

[Item]
Item=<li><span class="genre">%Genre%</span> %Artist% – %Album%</li>%n
