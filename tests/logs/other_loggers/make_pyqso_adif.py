#!/usr/bin/python3
# Writes pyqso_1.1.0.adi with pyqso's own ADIF writer (Debian package pyqso 1.1.0, module
# pyqso.adif, class ADIF, method write), as the logger saves a log: run with Debian's python3,
#   /usr/bin/python3 make_pyqso_adif.py
# The QSOs are the first 20 of samples/contest.adi, entered as a pyqso user enters a contest:
# pyqso has no exchange fields, so the serial sent and the district received are typed after the
# RSTs ("599 001", "599 KI01"); pyqso has no own-call field either (zelk-check --call gives it).
# pyqso writes each field's length in characters, so the Cyrillic NOTES of one QSO is shorter by
# its length than in bytes. The header's date is pyqso's own "now" and changes with each run.
import re
from pathlib import Path

from pyqso.adif import ADIF

here = Path(__file__).resolve().parent
sample = (here / "../../../samples/contest.adi").read_text()
records = []
for text in re.findall(r"<CALL:.*?<EOR>", sample)[:20]:
    fields = {name.upper(): value for name, _, value in re.findall(r"<(\w+):(\d+)>(\S*)", text)}
    record = {
        "CALL": fields["CALL"], "QSO_DATE": fields["QSO_DATE"], "TIME_ON": fields["TIME_ON"] + "00",
        "FREQ": fields["FREQ"], "BAND": fields["BAND"].upper(), "MODE": fields["MODE"],
        "SUBMODE": fields.get("SUBMODE", ""),
        "RST_SENT": fields["RST_SENT"] + " " + fields["STX_STRING"],
        "RST_RCVD": fields["RST_RCVD"] + " " + fields["SRX_STRING"],
        "COUNTRY": fields.get("COUNTRY", ""), "DXCC": fields.get("DXCC", ""),
    }
    records.append(record)
records[3]["NOTES"] = "Дякую за QSO, 73!"
ADIF().write(records, str(here / "pyqso_1.1.0.adi"))
