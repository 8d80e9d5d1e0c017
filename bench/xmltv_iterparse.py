#!/usr/bin/env python3
"""xmltv_iterparse.py: the XMLTV conversion as importers on other boxes do it, with ElementTree's iterparse.

    python3 bench/xmltv_iterparse.py [--days N] [--lang CODE]... [--output FILE] GUIDE ID...

Makes the same selection as the XMLTV reader: the programmes of the given
channel ids (without regard to case), texts by the preferred languages,
ordered by start, duplicate starts dropped, missing stops from the next
start, cut to the next start, in the window from today's local midnight to
the one N days later; and writes the same records to FILE (default
/dev/null). Each <programme> is cleared once read and the root is emptied
as it goes, so that it keeps no more of the guide than needed: a fair
Python reader, not a careless one. It is the benchmark's comparison only.
"""

import argparse
import datetime
import gzip
import lzma
import re
import time
import xml.etree.ElementTree as ElementTree

CONTROLS = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f-\x9f]")
BLANKS = re.compile("[ \t\r\n]+")
TIME = re.compile(r"^(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)?(?: ([+-])(\d\d)(\d\d))?$")


def open_guide(path):
    with open(path, "rb") as probe:
        head = probe.read(6)
    if head[:2] == b"\x1f\x8b":
        return gzip.open(path, "rb")
    if head == b"\xfd7zXZ\x00":
        return lzma.open(path, "rb")
    return open(path, "rb")


def read_time(text):
    match = TIME.match(text or "")
    if not match:
        return None
    year, month, day, hour, minute, second, sign, off_hours, off_minutes = match.groups()
    try:
        moment = datetime.datetime(int(year), int(month), int(day), int(hour), int(minute), int(second or 0),
                                   tzinfo=datetime.timezone.utc)
    except ValueError:
        return None
    offset = (int(off_hours) * 60 + int(off_minutes)) * 60 if sign else 0
    return int(moment.timestamp()) - (offset if sign == "+" else -offset)


def clean(text):
    return BLANKS.sub(" ", CONTROLS.sub("", text or "")).strip()


def pick(element, tag, languages):
    best, best_rank = None, None
    for child in element.findall(tag):
        lang = (child.get("lang") or "").lower()
        rank = next((i for i, code in enumerate(languages) if lang == code or lang.startswith(code + "-")),
                    len(languages))
        if best_rank is None or rank < best_rank:
            best, best_rank = child, rank
    return clean("".join(best.itertext())) if best is not None else ""


def utf8_cut(text, limit):
    data = text.encode("utf-8")[:limit]
    return data.decode("utf-8", "ignore")


def events_of(programmes, window_start, window_end):
    programmes.sort(key=lambda p: p[0])
    kept = []
    for programme in programmes:
        if not kept or kept[-1][0] != programme[0]:
            kept.append(programme)
    events = []
    for i, (start, stop, title, genre, description) in enumerate(kept):
        following = kept[i + 1][0] if i + 1 < len(kept) else None
        end = stop if stop is not None else following
        if end is None:
            continue
        if following is not None and end > following:
            end = following
        if end <= start or end <= window_start or start >= window_end:
            continue
        events.append((start, end, title, genre, description))
    return events


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--days", type=int, default=7)
    parser.add_argument("--lang", action="append", default=[])
    parser.add_argument("--output", default="/dev/null")
    parser.add_argument("guide")
    parser.add_argument("ids", nargs="+")
    args = parser.parse_args()
    languages = [code.lower() for code in args.lang]

    today = datetime.date.today()
    midnights = [int(time.mktime((today + datetime.timedelta(days=d)).timetuple())) for d in range(args.days + 1)]
    window_start, window_end = midnights[0], midnights[-1]
    wanted = {channel.lower(): [] for channel in args.ids}

    count = 0
    stream = open_guide(args.guide)
    context = ElementTree.iterparse(stream, events=("start", "end"))
    _, root = next(context)
    for event, element in context:
        if event != "end" or element.tag != "programme":
            continue
        count += 1
        channel = (element.get("channel") or "").lower()
        if channel in wanted:
            start = read_time(element.get("start"))
            if start is not None:
                stop = read_time(element.get("stop"))
                subtitle, desc = pick(element, "sub-title", languages), pick(element, "desc", languages)
                description = subtitle + " - " + desc if subtitle and desc else subtitle or desc
                wanted[channel].append((start, stop, pick(element, "title", languages),
                                        pick(element, "category", languages), description))
        element.clear()
        root.clear()

    with open(args.output, "w", encoding="utf-8") as out:
        for number, channel in enumerate(args.ids, 1):
            events = events_of(list(wanted[channel.lower()]), window_start, window_end)
            out.write("C %d %s\n" % (number, channel))
            for sequence, (start, end, title, genre, description) in enumerate(events, 1):
                title, genre = utf8_cut(title, 255), utf8_cut(genre, 255)
                # The description keeps what leaves the record within 4999
                # bytes, its durations counted as "%d".
                others = "E %d %d %%d\nT %s\nX %d\nS %s\nL %%d\nD \ne\n" % (sequence, start, title, start, genre)
                room = max(0, 4999 - len(others.encode("utf-8")))
                seconds = end - start
                out.write("E %d %d %d\nT %s\nX %d\nS %s\nL %d\nD %s\ne\n" % (
                    sequence, start, seconds, title, start, genre, seconds // 60, utf8_cut(description, room)))
            out.write("c\n")
            print("[%d/%d] %s: %d events" % (number, len(args.ids), channel, len(events)))
    print("%d programmes" % count)


if __name__ == "__main__":
    main()
