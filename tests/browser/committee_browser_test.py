#!/usr/bin/python3
"""The committee's pages of zelk-server in a real browser (Debian's headless Chromium through
Selenium): a member logs in, searches and sorts the submissions, restores an earlier upload from a
call's history, downloads the CSV export, sends a message to one category (it arrives at a local
SMTP sink, one mail per address), reads a page in Ukrainian, and every committee page fits a 390 px
wide phone without a sideways scroll of the page.

  committee_browser_test.py --server ZELK_SERVER --mail-sink ZELK_MAIL_SINK --samples DIR [--screenshots DIR]
"""
import argparse
import csv
import email
import email.policy
import io
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
import uuid

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_helpers import free_port, wait_for, wait_until_replaced  # noqa: E402

QSO_LINES = ["QSO:  3520 CW 2017-05-05 2100 {call} 599 KI01 DL1ABC 599 001",
             "QSO:  7020 CW 2017-05-05 2110 {call} 599 KI01 UR7QM  599 KR02",
             "QSO:  3530 CW 2017-05-05 2120 {call} 599 KI01 OK2XZ  599 014",
             "QSO:  7030 CW 2017-05-05 2130 {call} 599 KI01 SP9QQ  599 021"]


def cabrillo(call, qsos):
    lines = ["START-OF-LOG: 3.0", "CALLSIGN: " + call, "CATEGORY-OPERATOR: SINGLE-OP"]
    lines += [line.format(call=call) for line in QSO_LINES[:qsos]]
    return ("\n".join(lines) + "\nEND-OF-LOG:\n").encode()


def upload(base, call, qsos, category, address, receipt=""):
    boundary = uuid.uuid4().hex
    fields = {"category": category, "email": address, "receipt": receipt}
    body = b""
    for name, value in fields.items():
        body += f"--{boundary}\r\nContent-Disposition: form-data; name=\"{name}\"\r\n\r\n{value}\r\n".encode()
    body += (f"--{boundary}\r\nContent-Disposition: form-data; name=\"log\"; filename=\"{call}.cbr\"\r\n"
             "Content-Type: application/octet-stream\r\n\r\n").encode() + cabrillo(call, qsos) + b"\r\n"
    body += f"--{boundary}--\r\n".encode()
    request = urllib.request.Request(base + "/api/logs", data=body, method="POST")
    request.add_header("Content-Type", "multipart/form-data; boundary=" + boundary)
    with urllib.request.urlopen(request) as answer:
        return json.loads(answer.read())


def text_of(driver):
    return driver.find_element(By.TAG_NAME, "body").text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--mail-sink", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    args.samples = os.path.abspath(args.samples)

    work = tempfile.mkdtemp(prefix="zelk-committee-browser-")
    downloads = os.path.join(work, "downloads")
    mailbox = os.path.join(work, "mailbox")
    sink = subprocess.Popen([args.mail_sink, "0", mailbox], stdout=subprocess.PIPE, text=True)
    server = None
    driver = None
    try:
        sink_line = wait_for(lambda: sink.stdout.readline(), "the mail sink to start")
        relay = sink_line.split("listening on ")[1].split(",")[0]
        port = free_port()
        base = f"http://127.0.0.1:{port}"
        server = subprocess.Popen([args.server, "--data", os.path.join(work, "data"), "--districts",
                                   os.path.join(args.samples, "zelk.txt"), "--start", "2017-05-05 21:00",
                                   "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00",
                                   "--listen", f"127.0.0.1:{port}", "--uploads-per-minute", "0",
                                   "--smtp", relay, "--mail-from", "zelk@example.org"],
                                  stdout=subprocess.PIPE, text=True)
        wait_for(lambda: "serving" in server.stdout.readline(), "the server to start")
        password = open(os.path.join(work, "data", "committee-password.txt")).read().strip()

        # Logs of two categories; UT5ZZ's corrected log replaces its first one; a stranger's UT5ZZ waits.
        first = upload(base, "UT5ZZ", 2, "SO-CW-LOW", "zz@example.org")
        upload(base, "UT5ZZ", 4, "SO-CW-LOW", "", first["receipt"].rsplit("/", 1)[1])
        upload(base, "UT5ZY", 3, "SO-CW-LOW", "Club@example.org")
        upload(base, "UR7QM", 1, "SO-CW-LOW", "club@example.org")  # the same address as UT5ZY's
        upload(base, "DL1ABC", 2, "SO-MIXED-HIGH", "abc@example.org")
        upload(base, "OK2XZ", 3, "", "")
        upload(base, "UT5ZZ", 1, "SO-CW-LOW", "stranger@example.org")
        receipts = 6  # every upload with an address, the corrected log (it kept its address) too

        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,1000",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--no-first-run", "--disable-quic", f"--user-data-dir={work}/chromium"):
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_page_load_timeout(60)
        driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})

        def shot(name):
            if args.screenshots:
                os.makedirs(args.screenshots, exist_ok=True)
                driver.save_screenshot(os.path.join(args.screenshots, name))

        # Login.
        driver.get(base + "/committee")
        shot("committee-login.png")
        driver.find_element(By.NAME, "password").send_keys(password)
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Logged in as committee" in text_of(driver), "the login")
        shot("committee-page.png")

        # Search: calls with UT5 that count, then sorted by call down and up.
        driver.find_element(By.LINK_TEXT, "Submissions").click()
        wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "form.search"), "the submissions page")
        driver.find_element(By.NAME, "call").send_keys("ut5")
        Select(driver.find_element(By.NAME, "state")).select_by_value("counted")
        driver.find_element(By.CSS_SELECTOR, "form.search button").click()
        wait_for(lambda: "(2 found)" in text_of(driver), "the search's answer")

        def calls_shown():
            return [row.find_elements(By.TAG_NAME, "td")[1].text
                    for row in driver.find_elements(By.CSS_SELECTOR, "table.submissions tr")[1:]]
        assert calls_shown() == ["UT5ZY", "UT5ZZ"], calls_shown()  # newest first
        header = driver.find_element(By.XPATH, "//table[@class='submissions']//th/a[starts-with(., 'Call')]")
        header.click()
        wait_until_replaced(header, "the sorted page")
        assert calls_shown() == ["UT5ZY", "UT5ZZ"], calls_shown()
        header = driver.find_element(By.XPATH, "//table[@class='submissions']//th/a[starts-with(., 'Call')]")
        header.click()
        wait_until_replaced(header, "the page sorted the other way")
        assert calls_shown() == ["UT5ZZ", "UT5ZY"], calls_shown()
        assert "sort=call" in driver.current_url and "dir=desc" in driver.current_url, driver.current_url
        shot("committee-submissions.png")

        # The CSV export of that search, downloaded by the browser.
        driver.find_element(By.LINK_TEXT, "Export as CSV").click()
        exported = os.path.join(downloads, "submissions.csv")
        wait_for(lambda: os.path.exists(exported) and os.path.getsize(exported) > 0, "the CSV download")
        with open(exported, encoding="utf-8-sig", newline="") as file:
            rows = list(csv.DictReader(file))
        assert [row["Call"] for row in rows] == ["UT5ZZ", "UT5ZY"], rows
        assert rows[0]["E-mail"] == "zz@example.org", "the corrected log kept the address: " + str(rows[0])
        assert rows[0]["State"] == "counted" and rows[0]["Category id"] == "SO-CW-LOW", rows[0]

        # A call's history from its row: every upload, the pending one, and a restore of the first.
        driver.find_element(By.LINK_TEXT, "UT5ZZ").click()
        wait_for(lambda: "History of UT5ZZ" in text_of(driver), "the call's history")
        history = driver.find_element(By.CSS_SELECTOR, "table.history").text
        assert "replaced by 2" in history and "pending" in history and "stranger@example.org" in history, history
        restore = driver.find_element(By.XPATH, "//table[@class='history']//tr[2]//button[contains(., 'Restore')]")
        restore.click()
        wait_until_replaced(restore, "the page after the restore")
        actions = driver.find_element(By.CSS_SELECTOR, "table.actions").text
        assert "earlier upload restored" in actions and "committee (127.0.0.1)" in actions, actions
        assert "counts" in driver.find_element(By.CSS_SELECTOR, "table.history").text.splitlines()[1]
        shot("committee-call-history.png")

        # A message to one category: one mail per address of its counted logs, at the sink.
        driver.find_element(By.LINK_TEXT, "Message to participants").click()
        Select(driver.find_element(By.NAME, "audience")).select_by_value("SO-CW-LOW")
        driver.find_element(By.NAME, "subject").send_keys("Results are out")
        driver.find_element(By.NAME, "text").send_keys("Dear participant,\nthe results are published.")
        shot("committee-message.png")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "2 e-mails were queued." in text_of(driver), "the message's answer")

        def mails():
            names = sorted(os.listdir(mailbox)) if os.path.isdir(mailbox) else []
            return [email.message_from_bytes(open(os.path.join(mailbox, name), "rb").read(), policy=email.policy.default)
                    for name in names]
        wait_for(lambda: len(mails()) >= receipts + 2, "the message at the mail sink")
        messages = [m for m in mails() if "Results are out" in str(m["Subject"])]
        assert sorted(str(m["To"]).lower() for m in messages) == ["club@example.org", "zz@example.org"], \
            [str(m["To"]) for m in messages]
        for message in messages:
            assert "the results are published." in message.get_body().get_content()
        driver.get(base + "/committee/mail")
        wait_for(lambda: "0 waiting" in (driver.refresh() or text_of(driver)), "the queue to be sent")
        shot("committee-mail.png")
        driver.get(base + "/committee/contest")
        shot("committee-contest.png")

        # One page in Ukrainian (the language cookie), then back.
        driver.add_cookie({"name": "lang", "value": "uk", "path": "/"})
        driver.get(base + "/committee/submissions")
        assert "Надіслані звіти" in text_of(driver) and driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "uk"
        shot("committee-submissions-uk.png")
        driver.delete_cookie("lang")

        # Every committee page fits a 390 px phone: only its tables' boxes scroll sideways.
        history_url = base + "/committee/submissions/1"
        pages = [("page", "/committee"), ("submissions", "/committee/submissions"), ("call-history", history_url[len(base):]),
                 ("mail", "/committee/mail"), ("message", "/committee/message"), ("contest", "/committee/contest")]
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        for name, path in pages:
            driver.get(base + path)
            width = driver.execute_script("return document.documentElement.scrollWidth")
            assert width <= 390, f"{path} is {width} px wide on a 390 px phone"
            shot(f"committee-{name}-phone.png")
        driver.delete_all_cookies()
        driver.get(base + "/committee")
        width = driver.execute_script("return document.documentElement.scrollWidth")
        assert width <= 390, f"the login page is {width} px wide on a 390 px phone"
        shot("committee-login-phone.png")
        print("committee browser test passed: login, search and sort, CSV download, restore from the history, "
              "a message to one category at the sink, Ukrainian, 390 px pages")
        return 0
    finally:
        if driver:
            driver.quit()
        for process in (server, sink):
            if process:
                process.terminate()
                process.wait(timeout=30)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
