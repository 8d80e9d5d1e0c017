#!/usr/bin/env python3
"""make_xmltv_guide.py: writes a made-up XMLTV guide, valid against the XMLTV DTD.

Every channel is declared first, then each channel's programmes one after
another, as most guides are laid out. The times are given in the channel's
own offset from UTC (some have minutes, such as +0530); a few channels
leave out the stop times, and some give their texts in two languages. The
texts are invented words, so that no real listing is copied.

The same arguments give the same bytes (gzip without a name or a time in its
header). Without --start the guide begins today, local time.

    scripts/make_xmltv_guide.py --channels 200 --days 7 --seed 1 [--gzip | --xz]
                                [--start YYYYMMDD] [--output FILE]

With no --output the guide goes to standard output. The channels are
ch001.example, ch002.example and so on.
"""

import argparse
import datetime
import gzip
import lzma
import random
import sys
from xml.sax.saxutils import escape, quoteattr

SYLLABLES = ("ka", "lo", "mi", "ne", "tu", "ra", "sel", "vor", "dan", "pi", "qua", "zen", "ber", "lu", "no",
             "fa", "gri", "sto", "mel", "ti", "ar", "os", "en", "vi", "co", "ré", "mü", "ña", "del", "sa")
OFFSETS = ("+0000", "+0100", "+0200", "+0530", "-0330", "-0500", "+0100", "+0100")
GENRES = ("News", "Film", "Series", "Documentary", "Sport", "Children", "Music", "Talk", "Quiz", "Weather")
LENGTHS = (5, 10, 15, 20, 25, 30, 30, 30, 45, 60)


def word(rng):
    return "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4)))


def words(rng, count):
    return " ".join(word(rng) for _ in range(count))


def sentence(rng):
    text = words(rng, rng.randint(6, 16))
    return text[0].upper() + text[1:] + "."


def paragraph(rng, low, high):
    return " ".join(sentence(rng) for _ in range(rng.randint(low, high)))


def title(rng):
    return words(rng, rng.randint(1, 4)).title()


def xmltv_time(moment, offset):
    """moment is a UTC datetime; it is written in the zone of offset ("+0530")."""
    sign = 1 if offset[0] == "+" else -1
    shift = datetime.timedelta(hours=int(offset[1:3]), minutes=int(offset[3:5])) * sign
    return (moment + shift).strftime("%Y%m%d%H%M%S ") + offset


class Channel:
    def __init__(self, number, seed):
        self.rng = random.Random("%s-%d" % (seed, number))
        self.id = "ch%03d.example" % number
        self.name = "%s %d" % (word(self.rng).title(), number)
        self.offset = self.rng.choice(OFFSETS)
        self.bilingual = self.rng.random() < 0.3
        self.without_stops = self.rng.random() < 0.1

    def declaration(self):
        lines = ['  <channel id=%s>' % quoteattr(self.id),
                 '    <display-name lang="en">%s</display-name>' % escape(self.name)]
        if self.bilingual:
            lines.append('    <display-name lang="it">%s</display-name>' % escape(self.name + " Italia"))
        lines.append('    <icon src="http://logos.example/%s.png" />' % self.id)
        lines.append("  </channel>")
        return "\n".join(lines) + "\n"

    def programmes(self, first_day, days):
        """The programme elements from six hours before the channel's first
        local midnight to six hours after its last, as text pieces."""
        rng = self.rng
        sign = 1 if self.offset[0] == "+" else -1
        shift = datetime.timedelta(hours=int(self.offset[1:3]), minutes=int(self.offset[3:5])) * sign
        start = datetime.datetime.combine(first_day, datetime.time()) - shift - datetime.timedelta(hours=6)
        end = start + datetime.timedelta(days=days, hours=12)
        episode = rng.randint(1, 20)
        while start < end:
            # Mostly short programmes, now and then a film of three times the length.
            length = datetime.timedelta(minutes=rng.choice(LENGTHS) * (3 if rng.random() < 0.1 else 1))
            stop = start + length
            episode += 1
            lines = ['  <programme start="%s"' % xmltv_time(start, self.offset)]
            if not self.without_stops:
                lines[0] += ' stop="%s"' % xmltv_time(stop, self.offset)
            lines[0] += " channel=%s>" % quoteattr(self.id)
            name = title(rng)
            lines.append('    <title lang="en">%s</title>' % escape(name))
            if self.bilingual:
                lines.append('    <title lang="it">%s</title>' % escape(name + " " + word(rng)))
            if rng.random() < 0.5:
                lines.append('    <sub-title lang="en">%s</sub-title>' % escape(title(rng)))
            lines.append('    <desc lang="en">%s</desc>' % escape(paragraph(rng, 6, 16)))
            if self.bilingual:
                lines.append('    <desc lang="it">%s</desc>' % escape(paragraph(rng, 3, 7)))
            if rng.random() < 0.4:
                lines.append("    <credits>")
                lines.append("      <director>%s</director>" % escape(title(rng)))
                for _ in range(rng.randint(1, 4)):
                    lines.append("      <actor>%s</actor>" % escape(title(rng)))
                lines.append("    </credits>")
            for genre in rng.sample(GENRES, rng.randint(1, 2)):
                lines.append('    <category lang="en">%s</category>' % genre)
            lines.append('    <episode-num system="xmltv_ns">%d.%d.</episode-num>' % (rng.randint(0, 9), episode))
            if rng.random() < 0.3:
                lines.append('    <rating system="VCHIP">')
                lines.append("      <value>TV-%s</value>" % rng.choice(("G", "PG", "14")))
                lines.append("    </rating>")
            lines.append("  </programme>")
            yield "\n".join(lines) + "\n"
            start = stop


def write_guide(out, channels, days, first_day, seed):
    all_channels = [Channel(number, seed) for number in range(1, channels + 1)]
    out.write(b'<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE tv SYSTEM "xmltv.dtd">\n')
    out.write(b'<tv generator-info-name="tarvio make_xmltv_guide.py">\n')
    for channel in all_channels:
        out.write(channel.declaration().encode("utf-8"))
    for channel in all_channels:
        pieces = []
        for piece in channel.programmes(first_day, days):
            pieces.append(piece)
            if len(pieces) == 200:
                out.write("".join(pieces).encode("utf-8"))
                pieces = []
        out.write("".join(pieces).encode("utf-8"))
    out.write(b"</tv>\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--channels", type=int, default=10)
    parser.add_argument("--days", type=int, default=7)
    parser.add_argument("--seed", default="1")
    parser.add_argument("--start", help="the first day, YYYYMMDD (default: today)")
    packing = parser.add_mutually_exclusive_group()
    packing.add_argument("--gzip", action="store_true")
    packing.add_argument("--xz", action="store_true")
    parser.add_argument("--output", help="the file to write (default: standard output)")
    args = parser.parse_args()
    if args.channels < 1 or args.days < 1:
        parser.error("--channels and --days must be 1 or more")
    first_day = (datetime.datetime.strptime(args.start, "%Y%m%d").date() if args.start
                 else datetime.date.today())

    target = open(args.output, "wb") if args.output else sys.stdout.buffer
    try:
        if args.gzip:
            out = gzip.GzipFile(filename="", mode="wb", fileobj=target, mtime=0)
        elif args.xz:
            out = lzma.LZMAFile(target, mode="wb", preset=6)
        else:
            out = target
        write_guide(out, args.channels, args.days, first_day, args.seed)
        if out is not target:
            out.close()
    finally:
        if args.output:
            target.close()


if __name__ == "__main__":
    main()
