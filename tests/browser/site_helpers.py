"""What the browser test and the screenshot tool share: zelk-server with a local mail sink on free
ports, a headless Chromium, waiting for conditions, the API's uploads and the mails the sink kept."""
import email
import email.policy
import glob
import json
import os
import socket
import subprocess
import time
import urllib.request
import uuid

from selenium import webdriver
from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException, WebDriverException
from selenium.webdriver.chrome.service import Service


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, what, seconds=120):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            value = condition()
        except (StaleElementReferenceException, NoSuchElementException):
            value = None  # read while the page was being replaced: ask again
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def wait_until_replaced(element, what):
    """Waits until the page holding `element` was replaced by the next one."""
    def gone():
        try:
            element.is_enabled()
            return False
        except WebDriverException:
            # Stale, or (in newer drivers) "node does not belong to the document": the page went.
            return True
    wait_for(gone, what)


def post_multipart(url, fields, file_name, file_bytes, headers=None):
    boundary = uuid.uuid4().hex
    body = b""
    for name, value in fields.items():
        body += (f"--{boundary}\r\nContent-Disposition: form-data; name=\"{name}\"\r\n\r\n{value}\r\n").encode()
    body += (f"--{boundary}\r\nContent-Disposition: form-data; name=\"log\"; filename=\"{file_name}\"\r\n"
             "Content-Type: application/octet-stream\r\n\r\n").encode() + file_bytes + b"\r\n"
    body += f"--{boundary}--\r\n".encode()
    request = urllib.request.Request(url, data=body, method="POST", headers=dict(headers or {}))
    request.add_header("Content-Type", "multipart/form-data; boundary=" + boundary)
    with urllib.request.urlopen(request) as answer:
        return answer.status, json.loads(answer.read())


def post_json(url, payload, headers=None):
    request = urllib.request.Request(url, data=json.dumps(payload).encode(), method="POST", headers=dict(headers or {}))
    request.add_header("Content-Type", "application/json")
    with urllib.request.urlopen(request) as answer:
        return json.loads(answer.read())


class Site:
    """zelk-server for the sample contest in `work`, its receipts e-mailed to a mail sink that keeps
    each mail as a file. Stop it with close()."""

    def __init__(self, server, mail_sink, samples, work, deadline="2100-01-01 00:00", extra=()):
        self.mailbox = os.path.join(work, "mailbox")
        mail_port = free_port()
        self.sink = subprocess.Popen([mail_sink, str(mail_port), self.mailbox], stdout=subprocess.PIPE, text=True)
        wait_for(lambda: "listening" in self.sink.stdout.readline(), "the mail sink to start")
        port = free_port()
        self.base = f"http://127.0.0.1:{port}"
        self.data = os.path.join(work, "data")
        self.server = subprocess.Popen(
            [server, "--data", self.data, "--districts", os.path.join(samples, "zelk.txt"),
             "--start", "2017-05-05 21:00", "--end", "2017-05-06 03:00", "--deadline", deadline,
             "--listen", f"127.0.0.1:{port}", "--uploads-per-minute", "0",
             "--smtp", f"smtp://127.0.0.1:{mail_port}", "--mail-from", "zelk@example.org",
             "--mail-from-name", "ZELK contest committee", *extra],
            stdout=subprocess.PIPE, text=True)
        wait_for(lambda: "serving" in self.server.stdout.readline(), "the server to start")
        self.password = open(os.path.join(self.data, "committee-password.txt")).read().strip()

    def token(self):
        return post_json(self.base + "/api/committee/token", {"password": self.password})["token"]

    def mails(self):
        """The mails the sink kept so far, oldest first, parsed."""
        mails = []
        for path in sorted(glob.glob(os.path.join(self.mailbox, "*.eml"))):
            with open(path, "rb") as file:
                mails.append(email.message_from_binary_file(file, policy=email.policy.default))
        return mails

    def wait_for_mail(self, count, what):
        return wait_for(lambda: len(self.mails()) >= count and self.mails()[count - 1], what)

    def close(self):
        for process in (self.server, self.sink):
            process.terminate()
            process.wait(timeout=30)


def chromium(work, width=1280, height=1000, accept_language=None):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", f"--window-size={width},{height}",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--no-first-run", "--disable-quic", "--hide-scrollbars",
                 f"--user-data-dir={work}/chromium-{uuid.uuid4().hex[:8]}"):
        options.add_argument(flag)
    if accept_language:
        options.add_argument("--accept-lang=" + accept_language)
        options.add_experimental_option("prefs", {"intl.accept_languages": accept_language})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    return driver


def page_width(driver):
    """The document's width and the window's inner width, in CSS pixels."""
    return driver.execute_script("return [document.documentElement.scrollWidth, window.innerWidth]")


def attachment_of(mail):
    """The name and bytes of the mail's one attachment."""
    for part in mail.iter_attachments():
        return part.get_filename(), part.get_payload(decode=True)
    return None, None
