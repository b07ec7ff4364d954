#!/usr/bin/env python3
"""Reads one e-mail from stdin with Python's own mail parser and prints what a mail program
would show as JSON: headers decoded, the text, each attachment's name and bytes (hex). The
tests check the site's MIME against this independent reader."""
import email
import email.policy
import json
import sys

message = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
text = message.get_body(preferencelist=("plain",))
out = {
    "from": str(message["From"]),
    "to": str(message["To"]),
    "subject": str(message["Subject"]),
    "date": str(message["Date"]),
    "message_id": str(message["Message-ID"]),
    "defects": [type(d).__name__ for part in message.walk() for d in part.defects],
    "text": text.get_content().replace("\r\n", "\n") if text is not None else None,
    "attachments": [
        {"name": part.get_filename(), "hex": part.get_payload(decode=True).hex()}
        for part in message.iter_attachments()
    ],
}
json.dump(out, sys.stdout)
