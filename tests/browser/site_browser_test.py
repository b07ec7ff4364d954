#!/usr/bin/python3
"""zelk-server in a real browser (Debian's headless Chromium through Selenium): a participant
uploads the sample log and reads the receipt and its findings; the 60 logs of a simulated contest
come in through the API; the committee logs in, runs the cross-check and publishes it; the results
list every log. A log whose own call and category hold markup runs no script on any page: the test
watches for dialogs and checks that the pages show the markup as text.

  site_browser_test.py --server ZELK_SERVER --simulator ZELK_CONTEST_SIM --samples DIR [--screenshots DIR]
"""
import argparse
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
import uuid

from selenium import webdriver
from selenium.common.exceptions import (NoAlertPresentException, NoSuchElementException,
                                        StaleElementReferenceException, WebDriverException)
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

HOSTILE_CALL = "<script>"
HOSTILE_CATEGORY = "<img src=x onerror=alert(1)><script>alert(2)</script>"
HOSTILE_CATEGORY_CALL = "UR9XSS"


def hostile_log(call, category):
    return (f"START-OF-LOG: 3.0\nCALLSIGN: {call}\nCATEGORY-OPERATOR: {category}\n"
            "QSO:  3520 CW 2017-05-05 2100 UR9XSS 599 KI01 DL1ABC 599 001\nEND-OF-LOG:\n")


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


def no_dialog(driver, page):
    try:
        alert = driver.switch_to.alert
        text = alert.text
        alert.dismiss()
        raise AssertionError(f"{page}: a script ran and opened a dialog: {text!r}")
    except NoAlertPresentException:
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--simulator", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    args.samples = os.path.abspath(args.samples)

    work = tempfile.mkdtemp(prefix="zelk-browser-")
    port = free_port()
    base = f"http://127.0.0.1:{port}"
    server = subprocess.Popen([args.server, "--data", os.path.join(work, "data"), "--districts",
                               os.path.join(args.samples, "zelk.txt"), "--start", "2017-05-05 21:00",
                               "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00",
                               "--listen", f"127.0.0.1:{port}", "--uploads-per-minute", "0"],
                              stdout=subprocess.PIPE, text=True)
    driver = None
    try:
        wait_for(lambda: "serving" in server.stdout.readline(), "the server to start")
        password = open(os.path.join(work, "data", "committee-password.txt")).read().strip()

        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,1000",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--no-first-run", "--disable-quic", f"--user-data-dir={work}/chromium"):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_page_load_timeout(60)

        def shot(name):
            if args.screenshots:
                os.makedirs(args.screenshots, exist_ok=True)
                driver.save_screenshot(os.path.join(args.screenshots, name))

        # A participant uploads the sample log through the form.
        driver.get(base + "/")
        driver.find_element(By.NAME, "log").send_keys(os.path.join(args.samples, "contest.adi"))
        driver.find_element(By.NAME, "email").send_keys("ut5zz@example.org")
        # An ADIF log cannot say its category: the sender chooses it on the form.
        Select(driver.find_element(By.NAME, "category")).select_by_value("SO-MIXED-LOW")
        shot("server-upload-form.png")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Receipt for UT5ZZ" in driver.title, "the receipt")
        body = driver.find_element(By.TAG_NAME, "body").text
        assert "Your log was received and stored" in body, body[:500]
        assert "Single operator, mixed mode, low power" in body, "the chosen category is on the receipt"
        rows = driver.find_elements(By.CSS_SELECTOR, "table.findings tr")
        assert len(rows) > 5, "the findings are listed with their lines"
        assert "DUPE of line" in body and "not in the list" in body, "the findings say what was found"
        receipt_url = driver.find_element(By.CSS_SELECTOR, "table.receipt a").get_attribute("href")
        shot("server-receipt.png")

        # A lost receipt link: the form answers alike for any call, and /received names the category.
        driver.get(base + "/")
        driver.find_element(By.LINK_TEXT, "Lost the link to your receipt?").click()
        driver.find_element(By.NAME, "call").send_keys("ut5zz")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "receipt links are on the way" in driver.find_element(By.TAG_NAME, "body").text, "the lost-link answer")
        shot("server-lost-link.png")
        driver.get(base + "/received")
        received = driver.find_element(By.TAG_NAME, "body").text
        assert "Single operator, mixed mode, low power" in received and "Claimed" not in received, received[:500]
        shot("server-received.png")

        # Hostile logs through the form: markup as the own call is refused, in a category it is kept;
        # both pages show it as text.
        driver.get(base + "/")
        driver.find_element(By.NAME, "text").send_keys(hostile_log(HOSTILE_CALL, "SINGLE-OP"))
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Log not accepted" in driver.title, "the hostile call's refusal")
        no_dialog(driver, "the hostile call's refusal")
        assert "<SCRIPT>" in driver.find_element(By.TAG_NAME, "body").text
        driver.get(base + "/")
        driver.find_element(By.NAME, "text").send_keys(hostile_log(HOSTILE_CATEGORY_CALL, HOSTILE_CATEGORY))
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Receipt for" in driver.title, "the hostile category's receipt")
        no_dialog(driver, "the hostile category's receipt")
        assert HOSTILE_CATEGORY in driver.find_element(By.TAG_NAME, "body").text

        # A stranger's empty log under UT5ZZ waits for the committee; the owner's log still counts.
        driver.get(base + "/")
        driver.find_element(By.NAME, "text").send_keys(hostile_log("UT5ZZ", "SINGLE-OP").replace(
            "QSO:  3520 CW 2017-05-05 2100 UR9XSS 599 KI01 DL1ABC 599 001\n", ""))
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Receipt for UT5ZZ" in driver.title, "the stranger's receipt")
        notice = driver.find_element(By.CSS_SELECTOR, "p.state").text
        assert "does not count" in notice and "receipt" in notice, notice
        assert not driver.find_elements(By.NAME, "receipt"), "a pending upload's receipt offers no corrected log"
        shot("server-pending-receipt.png")

        # The owner sends a corrected log with the form of the receipt: it replaces the counted one.
        driver.get(receipt_url)
        corrected = driver.find_element(By.XPATH, "//form[.//input[@name='receipt']]")
        driver.execute_script("arguments[0].scrollIntoView()", corrected)
        shot("server-corrected-log-form.png")
        corrected.find_element(By.NAME, "log").send_keys(os.path.join(args.samples, "contest.adi"))
        corrected.find_element(By.CSS_SELECTOR, "button").click()
        wait_for(lambda: "This log replaces your earlier upload" in driver.find_element(By.TAG_NAME, "body").text,
                 "the corrected log's receipt")

        # The simulated contest's 60 logs come in through the API.
        logs = os.path.join(work, "contest-logs")
        subprocess.run([args.simulator, "--stations", "60", "--qsos", "150", "--districts",
                        os.path.join(args.samples, "zelk.txt"), "--output-dir", logs], check=True,
                       stdout=subprocess.DEVNULL)
        calls = []
        for name in sorted(os.listdir(logs)):
            status, receipt = post_multipart(base + "/api/logs", {"email": "op@example.org"}, name,
                                             open(os.path.join(logs, name), "rb").read())
            assert status == 201, receipt
            calls.append(receipt["call"])
        assert len(calls) == 60

        # The committee logs in, runs the cross-check and publishes it.
        driver.get(base + "/committee")
        driver.find_element(By.NAME, "password").send_keys(password)
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Logged in as committee" in driver.find_element(By.TAG_NAME, "body").text, "the login")
        no_dialog(driver, "the committee page")

        # The stranger's upload waits among the pending ones: rejected. The owner's first log is
        # restored from the call's history; each action shows there.
        pending = driver.find_element(By.CSS_SELECTOR, "table.pending")
        assert "UT5ZZ" in pending.text, pending.text
        shot("server-pending.png")
        pending.find_element(By.XPATH, ".//button[.='Reject']").click()
        wait_for(lambda: "Actions on UT5ZZ" in driver.find_element(By.TAG_NAME, "body").text, "the call's history")
        restore = driver.find_element(By.XPATH, "//table[@class='history']//tr[2]//button[contains(., 'Restore')]")
        restore.click()
        wait_until_replaced(restore, "the page after the restore")
        actions = driver.find_element(By.CSS_SELECTOR, "table.actions").text
        for action in ("upload kept pending", "corrected log with the receipt", "pending upload rejected",
                       "earlier upload restored"):
            assert action in actions, actions
        history = driver.find_element(By.CSS_SELECTOR, "table.history").text
        assert "counts" in history.splitlines()[1], history
        no_dialog(driver, "the call's history")
        shot("server-call-history.png")
        driver.get(base + "/committee")
        members = driver.find_element(By.XPATH, "//h2[.='Members']")
        driver.execute_script("arguments[0].scrollIntoView()", members)
        shot("server-accounts.png")

        run_button = driver.find_element(By.XPATH, "//button[contains(., 'Run the cross-check')]")
        run_button.click()
        # The form's answer must have come before the next page is asked for, or the run is never asked.
        wait_until_replaced(run_button, "the page after the run was asked for")

        def published_button():
            driver.get(base + "/committee")
            buttons = driver.find_elements(By.XPATH, "//button[.='Publish']")
            return buttons[0] if buttons else None
        wait_for(published_button, "the cross-check to finish")
        page = driver.find_element(By.TAG_NAME, "body").text
        assert HOSTILE_CATEGORY in page, "the committee page shows the hostile category as text"
        shot("server-committee.png")
        published_button().click()
        wait_for(lambda: "published" in driver.find_element(By.CSS_SELECTOR, "table.runs").text, "the publication")

        driver.get(base + "/results")
        results = driver.find_element(By.TAG_NAME, "body").text
        no_dialog(driver, "the results")
        missing = [call for call in calls if call not in results]
        assert not missing, f"calls missing from the results: {missing}"
        assert HOSTILE_CATEGORY_CALL in results, "the log with the hostile category is listed"
        shot("server-results.png")

        for page in ("/received", "/"):
            driver.get(base + page)
            no_dialog(driver, page)
        assert HOSTILE_CATEGORY_CALL in driver.find_element(By.TAG_NAME, "body").text or page == "/"

        # The participant's receipt now leads to the log's report.
        driver.get(receipt_url)
        driver.find_element(By.PARTIAL_LINK_TEXT, "your log's report").click()
        wait_for(lambda: "UT5ZZ" in driver.find_element(By.TAG_NAME, "body").text, "the UBN report")
        no_dialog(driver, "the UBN report")
        print("browser test passed: receipt, findings, pending upload, corrected log, the committee's reject and "
              "restore, 60 API uploads, cross-check, publication, results")
        return 0
    finally:
        if driver:
            driver.quit()
        server.terminate()
        server.wait(timeout=30)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
