#!/usr/bin/env python3
"""Writes the bundled sample contest: a district list and a contest script for the host simulator.

The script is deterministic (fixed seed) and exercises every rule of the contest: district codes
good, bad, in lower case and with blanks; stations with serial numbers; duplicates; wrong bands,
modes and missing exchanges; several bands and modes; removals and call checks. Beside the
script it writes the host's log at the end of the run as the ADIF file a logger would export.
"""
import random
from pathlib import Path

SAMPLES = Path(__file__).resolve().parent.parent / "samples"
rng = random.Random(2017)

DISTRICTS = [
    ("KI", "01", "Kyiv city"), ("KR", "02", "Kyiv region"), ("VI", "03", "Vinnytsia"),
    ("VO", "04", "Volyn"), ("DN", "05", "Dnipro"), ("DO", "06", "Donetsk"),
    ("ZH", "07", "Zhytomyr"), ("ZA", "08", "Zakarpattia"), ("ZP", "09", "Zaporizhzhia"),
    ("IF", "10", "Ivano-Frankivsk"), ("KO", "11", "Kirovohrad"), ("LU", "12", "Luhansk"),
    ("LV", "13", "Lviv"), ("MY", "14", "Mykolaiv"), ("OD", "15", "Odesa"),
    ("PO", "16", "Poltava"), ("RI", "17", "Rivne"), ("SU", "18", "Sumy"),
    ("TE", "19", "Ternopil"), ("KH", "20", "Kharkiv"), ("KE", "21", "Kherson"),
    ("KM", "22", "Khmelnytskyi"), ("CK", "23", "Cherkasy"), ("CV", "24", "Chernivtsi"),
    ("CN", "25", "Chernihiv"),
]
CODES = [a + b for a, b, _ in DISTRICTS]

BANDS = [("160m", 1_810_000, 1_850_000), ("80m", 3_500_000, 3_600_000), ("40m", 7_000_000, 7_100_000)]
MODES = ["CW", "CW", "CW", "SSB", "SSB", "BPSK31", "RTTY", "MFSK", "BPSK63", "QPSK31"]
FOREIGN = [("DL", "DL"), ("SP", "SP"), ("OK", "OK"), ("YO", "YO"), ("UA", "UA"), ("HA", "HA"),
           ("G", "G"), ("IT9", "IT9"), ("I", "I"), ("EU", "EU"), ("LY", "LY"), ("OM", "OM")]


# Contest mode -> ADIF MODE and SUBMODE.
ADIF_MODES = {
    "CW": ("CW", None), "SSB": ("SSB", None), "RTTY": ("RTTY", None), "AM": ("AM", None),
    "BPSK31": ("PSK", "PSK31"), "BPSK63": ("PSK", "PSK63"), "BPSK125": ("PSK", "PSK125"),
    "QPSK31": ("PSK", "QPSK31"), "QPSK63": ("PSK", "QPSK63"), "QPSK125": ("PSK", "QPSK125"),
    "MFSK": ("MFSK", "MFSK16"),
}
UKRAINE_DXCC = "288"


def ur_call(n):
    return f"U{rng.choice('RTSXYZ')}{n % 10}{''.join(rng.choice('ABCDEFGHIJKLMNOPQRSTUVWXYZ') for _ in range(2))}"


def foreign_call(prefix, n):
    letters = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3))
    return f"{prefix}{n % 9 + 1}{letters}"


def adif_field(name, value):
    return f"<{name}:{len(value.encode('ascii'))}>{value}"


def adif_mode(mode):
    if mode in ADIF_MODES:
        return ADIF_MODES[mode]
    if mode.upper() in ADIF_MODES:
        return mode, None  # a mode typed in another case stays as the operator typed it
    raise ValueError(f"no ADIF mode for {mode!r}")


def host_log(script):
    """The QSOs the host keeps at the end of the script: each removal takes out the first QSO
    equal to it in every field, and a removal of a QSO not in the log changes nothing."""
    log = []
    for line in script:
        verb, _, rest = line.partition(" ")
        if verb == "QSO":
            log.append(rest.split(";"))
        elif verb == "REMOVE":
            fields = rest.split(";")
            if fields in log:
                log.remove(fields)
    return log


def adif_export(script, mycall, created):
    lines = [
        f"ZELK contest 2017, log of {mycall}",
        adif_field("ADIF_VER", "3.1.0"),
        adif_field("PROGRAMID", "make-sample.py"),
        adif_field("CREATED_TIMESTAMP", created),
        "<EOH>",
    ]
    for when, call, hz, mode, band, rst_sent, sent, rst_rcvd, rcvd, country in host_log(script):
        date, time = when.split(" ")
        mhz = f"{int(hz) // 1_000_000}.{int(hz) % 1_000_000:06d}"
        adif_mode_name, submode = adif_mode(mode)
        fields = [("CALL", call), ("QSO_DATE", date.replace("-", "")), ("TIME_ON", time.replace(":", "")),
                  ("FREQ", mhz), ("BAND", band), ("MODE", adif_mode_name)]
        if submode:
            fields.append(("SUBMODE", submode))
        fields += [("RST_SENT", rst_sent), ("RST_RCVD", rst_rcvd)]
        if sent:
            fields.append(("STX_STRING", sent))
        if rcvd:
            fields.append(("SRX_STRING", rcvd))
        fields.append(("STATION_CALLSIGN", mycall))
        if country == "UR":
            fields += [("DXCC", UKRAINE_DXCC), ("COUNTRY", "Ukraine")]
        lines.append(" ".join(adif_field(name, value) for name, value in fields) + " <EOR>")
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def main():
    SAMPLES.mkdir(exist_ok=True)
    lines = [f"{a}-{b} {name}" for a, b, name in DISTRICTS]
    lines.insert(5, "# list of districts; lines without a dash are skipped")
    (SAMPLES / "zelk.txt").write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))

    stations = []
    for n in range(60):
        stations.append((ur_call(n), "UR", rng.choice(CODES)))
    for n in range(45):
        prefix, country = rng.choice(FOREIGN)
        stations.append((foreign_call(prefix, n), country, None))
    # Unique calls only.
    seen, unique = set(), []
    for s in stations:
        if s[0] not in seen:
            seen.add(s[0]); unique.append(s)
    stations = unique

    out = [
        "# ZELK contest 2017, sample log for the host simulator",
        "MYCALL UT5ZZ",
        "MYPREFIX UR",
        "START 2017-05-05 21:00",
        "END 2017-05-06 03:00",
        "# QSO date time;call;Hz;mode;band;rst sent;exch sent;rst rcvd;exch rcvd;country",
    ]
    minute = 0
    serial = 0
    logged = []

    def stamp():
        h, m = divmod(21 * 60 + minute, 60)
        day = 5 + h // 24
        return f"2017-05-{day:02d} {h % 24:02d}:{m:02d}"

    def qso(call, country, exch, band, mode, freq, exch_sent=None, rst=None):
        nonlocal serial
        serial += 1
        rst = rst or ("599" if mode in ("CW", "RTTY", "BPSK31", "BPSK63", "QPSK31", "MFSK") else "59")
        sent = f"{serial:03d}" if exch_sent is None else exch_sent
        fields = [stamp(), call, str(freq), mode, band, rst, sent, rst, exch, country]
        out.append("QSO " + ";".join(fields))
        logged.append(fields)

    # The main run: ~300 QSOs over the three bands, one minute apart.
    for i in range(300):
        minute += 1
        call, country, code = rng.choice(stations)
        band, low, high = rng.choice(BANDS)
        mode = rng.choice(MODES)
        freq = rng.randrange(low, high, 100) + rng.choice([0, 999])
        if country == "UR":
            exch = code
            roll = rng.random()
            if roll < 0.05:
                exch = f" {code.lower()} "         # accepted after upper-casing and trimming
            elif roll < 0.09:
                exch = rng.choice(["XX99", "KI1", "AB12", "KY01"])  # not in the list
        else:
            exch = f"{rng.randrange(1, 400):03d}"
        qso(call, country, exch, band, mode, freq)

    # Findings that only a few QSOs give.
    minute += 1; qso("DL1ABC", "DL", "017", "20m", "CW", 14_020_000)           # wrong band
    minute += 1; qso("DL1ABC", "DL", "018", "80m", "AM", 3_650_000)            # wrong mode
    minute += 1; qso("SP2XYZ", "SP", "", "40m", "CW", 7_012_000)               # no exchange received
    minute += 1; qso("OK1AAA", "OK", "033", "40m", "SSB", 7_080_000, exch_sent="")  # none sent
    minute += 1; qso("UT7QQ", "UR", "ZZ77", "80m", "CW", 3_530_000)            # bad district
    minute += 1; qso("UT7QQ", "UR", "ZZ77", "80m", "CW", 3_531_000)            # bad district and dupe
    minute += 1; qso("UT7QQ", "UR", "KI01", "80m", "cw", 3_532_000)            # "cw" is no dupe of "CW"
    minute += 1; qso("IT9ABC", "IT9", "101", "40m", "RTTY", 7_045_000)
    minute += 1; qso("UR5AA", "UR", "LV13", "160M", "CW", 1_830_000)           # band in capitals

    # Removals: the last QSO, one from the middle, and one that is not in the log.
    removals = [logged[-2], logged[150], logged[3]]
    for fields in removals:
        out.append("REMOVE " + ";".join(fields))
    out.append("REMOVE 2017-05-05 23:59;NOCALL;3500000;CW;80m;599;001;599;001;DL")

    # Call checks as the operator types.
    first = logged[10]
    out.append(f"CHECK {first[1]};{first[3]};{first[4]};{first[9]}")   # duplicate
    out.append(f"CHECK {first[1]};{first[3]};{first[4]};")             # no country: no objection
    out.append("CHECK NEW1AA;CW;40m;DL")                               # new station
    out.append("CHECK DL1ABC;CW;20m;DL")                               # not a contest band
    out.append("CHECK DL1ABC;AM;80m;DL")                               # not a contest mode

    (SAMPLES / "contest.txt").write_text("\n".join(out) + "\n", encoding="ascii")
    (SAMPLES / "contest.adi").write_bytes(adif_export(out, "UT5ZZ", "20170506 030000"))

    (SAMPLES / "cabrillo_header.txt").write_text(
        "# Values the operator types into the Cabrillo header dialog (\\n = new line)\n"
        "Callsign=UT5ZZ\n"
        "Category=A-CW\n"
        "Name=Taras Demo\n"
        "Address=Khreshchatyk 1\\nKyiv 01001\\nUkraine\n"
        "Operators=UT5ZZ\n"
        "Club=Demo Radio Club\n"
        "Email=ut5zz@example.org\n"
        "SoapBox=Good conditions on 80m\\n73 to all\n",
        encoding="ascii")
    (SAMPLES / "Vexl2.ini").write_bytes(b"[Main]\r\nVexl=2.30\r\nLanguage=EN\r\n")


if __name__ == "__main__":
    main()
