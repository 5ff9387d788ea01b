#!/usr/bin/env python3
"""A made-up but lifelike album digest: many artists with careers of a few to dozens of
albums, a long tail of genres, years from the fifties on, and volumes of every kind (large
disks, CDs, a USB stick without a label, a network share). The same count and seed always
give the same catalogue.

    scripts/sample_catalogue.py [--albums N] [--seed S] OUT.sdd
"""
import argparse
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "cli"))
os.environ.setdefault("TL_APP_DIR", "")  # cliutil asks for it; only its record writer is used
from cliutil import FIELD_NAMES, write_record_file  # noqa: E402

ADJECTIVES = ["Velvet", "Electric", "Silent", "Northern", "Golden", "Broken", "Crimson",
              "Midnight", "Wild", "Blue", "Paper", "Iron", "Hollow", "Lucky", "Distant",
              "Bright", "Frozen", "Restless", "Gentle", "Neon", "Wooden", "Burning", "Quiet",
              "Silver", "Lost"]
NOUNS = ["Harbour", "Lanterns", "Rivers", "Engines", "Pilots", "Orchard", "Foxes", "Machines",
         "Sparrows", "Tides", "Mountains", "Satellites", "Ghosts", "Gardens", "Wolves",
         "Strangers", "Echoes", "Brothers", "Horizon", "Saints", "Comets", "Bells", "Islands",
         "Caravan", "Avenue"]
FIRST = ["Anna", "Jiří", "Zoë", "Marcus", "Élodie", "Tomás", "Ingrid", "Kofi", "Yuki", "Björn",
         "Lucía", "Amir", "Hana", "Oskar", "Maya", "Dmitri", "Chloé", "Rafael", "Siobhan",
         "Léa", "Mateo", "Nadia", "Emil", "Sunita", "Pavel"]
LAST = ["Nováková", "Okafor", "Lindqvist", "Moreau", "Tanaka", "Schäfer", "O'Brien", "García",
        "Kowalski", "Haddad", "Peña", "Sveinsson", "Dvořák", "Fontaine", "Reyes", "Larsen",
        "Mbeki", "Rossi", "Kim", "Andersson", "Brennan", "Costa", "Jovanović", "Weiß", "Ito"]
ENSEMBLES = ["Trio", "Quartet", "Band", "Orchestra", "Ensemble", "Collective"]
# A long tail, as real collections have: a few big genres, many small ones, some untagged.
GENRES = [("Rock", 22), ("Pop", 14), ("Jazz", 9), ("Classical", 8), ("Electronic", 8),
          ("Metal", 6), ("Folk", 5), ("Hip-Hop", 5), ("Blues", 3), ("Country", 3), ("Soul", 3),
          ("R&B", 2), ("Reggae", 2), ("Soundtrack", 2), ("Punk", 2), ("Ambient", 1.5),
          ("Funk", 1.5), ("Latin", 1.5), ("World", 1), ("", 0.8), ("Gospel", 0.6), ("Ska", 0.5),
          ("Disco", 0.5), ("New Age", 0.4), ("Chanson", 0.4), ("Bossa Nova", 0.3),
          ("Contemporary Christian", 0.2), ("Polka", 0.1)]
BITRATES = [("320", 30), ("256", 15), ("192", 25), ("128", 15), ("128, 192", 5),
            ("160, 192, 224", 10)]


def artist_name(rng):
    kind = rng.random()
    adjective, noun = rng.choice(ADJECTIVES), rng.choice(NOUNS)
    first, last = rng.choice(FIRST), rng.choice(LAST)
    if kind < 0.35:
        return f"The {adjective} {noun}"
    if kind < 0.65:
        return f"{first} {last}"
    if kind < 0.8:
        return f"{first} {last} {rng.choice(ENSEMBLES)}"
    if kind < 0.93:
        return f"{first} {last} & the {noun}"
    return f"{adjective} {noun} feat. {first} {last}"


def album_title(rng, number):
    kind = rng.random()
    adjective, noun = rng.choice(ADJECTIVES), rng.choice(NOUNS)
    if kind < 0.4:
        return f"{adjective} {noun}"
    if kind < 0.55:
        return f"Songs from the {noun}"
    if kind < 0.65:
        return f"Live at the {adjective} {noun}"
    if kind < 0.75:
        return f"The {adjective} Sessions, Vol. {number}"
    if kind < 0.85:
        return noun
    if kind < 0.95:
        return f"{adjective} {noun} (Deluxe Edition)"
    return f"A Long Journey Through the {adjective} {noun} of Yesterday and Tomorrow"


def weighted(rng, table):
    return rng.choices([value for value, _ in table], [weight for _, weight in table])[0]


def sample_albums(count, seed=1):
    """@p count album records (dicts of field name to text), in no particular order."""
    rng = random.Random(seed)
    albums, names = [], set()
    while len(albums) < count:
        name = artist_name(rng)
        if name in names:
            continue
        names.add(name)
        genre = weighted(rng, GENRES)
        start = 0
        while not 1950 <= start <= 2023:
            start = int(rng.gauss(1990, 15))
        career = min(count - len(albums), 40, max(1, int(rng.paretovariate(1.2))))
        for number in range(1, career + 1):
            classical = genre == "Classical"
            tracks = rng.randint(4, 9) if classical else rng.randint(8, 18)
            longest = 720 if classical else 330
            length = sum(rng.randint(120, longest) for _ in range(tracks))
            bitrate = weighted(rng, BITRATES)
            kbps = int(bitrate.split(",")[-1])
            year = start + (number - 1) * rng.randint(1, 3)
            if year > 2024:  # a long career that began late: its albums fill the years since
                year = rng.randint(start, 2024)
            albums.append({
                "Artist": name,
                "Album": album_title(rng, number),
                "Year": "" if rng.random() < 0.01 else str(year),
                "Genre": genre if rng.random() < 0.85 else weighted(rng, GENRES),
                "Track": str(tracks),
                "Length": str(length),
                "Size": str(length * kbps * 125 + rng.randint(0, 400000)),
                "Bitrate": bitrate,
                "Type": "MPEG 1 Layer 3",
                "ScanDate": str(rng.randint(19000, 20100)),
            })
    place_on_volumes(albums, rng)
    return albums


def place_on_volumes(albums, rng):
    """Puts the albums on volumes as a collection grows: most on large disks, some on CDs,
    a few on a USB stick that has a serial but no label and on a network share."""
    order = sorted(range(len(albums)), key=lambda i: (albums[i]["Artist"], albums[i]["Year"]))
    volume, room, cd, disk = None, 0, 0, 0
    for position, i in enumerate(order):
        a = albums[i]
        share = position / max(1, len(order))
        folder = f"{a['Artist']}/{a['Year'] or 'Unknown'} - {a['Album']}"
        if share >= 0.97:
            a.update(VolDescription="NAS music share", VolName="", VolSerial="",
                     Path="/srv/music/" + folder)
            continue
        if share >= 0.94:
            a.update(VolDescription="USB stick", VolName="", VolSerial="5E1A0C2B",
                     Path="Music/" + folder)
            continue
        if room == 0:
            if share < 0.7:
                disk += 1
                volume = dict(VolDescription=f"Music disk {disk}", VolName=f"MUSIC{disk:02d}",
                              VolSerial=f"{rng.getrandbits(32):08X}", prefix="Music/")
                room = rng.randint(400, 3000)
            else:
                cd += 1
                volume = dict(VolDescription=f"MP3 CD {cd:03d}", VolName=f"MP3CD_{cd:03d}",
                              VolSerial=f"{rng.getrandbits(32):08X}", prefix="")
                room = rng.randint(6, 12)
        room -= 1
        a.update(VolDescription=volume["VolDescription"], VolName=volume["VolName"],
                 VolSerial=volume["VolSerial"], Path=volume["prefix"] + folder)
        a["ScanDate"] = str(19000 + (cd + disk) * 7 % 1100)


def write_digest(path, albums):
    write_record_file(path, ([a.get(name, "") for name in FIELD_NAMES] for a in albums),
                      type_tag=b"Dgst")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out", help="the digest to write (.sdd)")
    parser.add_argument("--albums", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    write_digest(args.out, sample_albums(args.albums, args.seed))


if __name__ == "__main__":
    main()
