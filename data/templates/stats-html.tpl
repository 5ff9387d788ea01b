; Albums per genre as a bar chart on a web page: every genre's bar is as long as its share
; of the largest genre; choosing a genre lists its albums.
[General]
TPLVersion=1
TPLCompatibility=1
Type=AlbumList
Description=Statistics as a web page (HTML): a bar chart of the albums per genre, each bar as long as its genre's share of the largest genre, with the number of albums, the playing time and the size of every genre. Choosing a genre lists its albums by year.%nThe companion template stats-years-html charts the albums per year.
Author=Tunelister
FileExtension=html
GroupBy=Genre
SortBy=Genre, Year, Artist, Album
Copy=tunelister.css
HTMLEncode=1
EmptyCell=(none)

[Document]
Start=<!DOCTYPE html>%n<html lang="en">%n<head>%n<meta charset="utf-8">%n<meta name="viewport" content="width=device-width, initial-scale=1">%n<title>Albums per genre: %f</title>%n<link rel="stylesheet" href="tunelister.css">%n</head>%n<body>%n<h1>Albums per genre</h1>%n<p class="made">Made by %v on %t. Choose a genre to list its albums.</p>%n<div class="chart">%n<div class="head"><span class="label">Genre</span><span class="count">Albums</span><span class="bar"></span><span class="time">Time</span><span class="size">Size</span></div>%n
End=</div>%n<p class="summary">Albums: %r · Genres: %g · Playing time: %Length LTIME% · Size: %Size BYTE%</p>%n</body>%n</html>%n

[Group]
Start=<div class="row" id="g%g"><a class="label" href="#g%g">%Genre%</a><span class="count">%c</span><span class="bar"><i style="width:%p%%"></i></span><ol class="albums">%n
End=</ol><span class="time">%Length LTIME%</span><span class="size">%Size BYTE%</span></div>%n

[Item]
Item=<li><span class="year">%Year%</span> %Artist% – %Album%</li>%n
