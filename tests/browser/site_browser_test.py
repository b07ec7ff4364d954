#!/usr/bin/python3
"""zelk-server in a real browser (Debian's headless Chromium through Selenium): a participant
uploads the sample log, reads the receipt and its findings and gets its e-mail with the log attached
(at a local mail sink); asks for lost receipt links; sends a corrected log from the receipt; does the
same in Ukrainian through the frame's language switch. The 60 logs of a simulated contest come in
through the API; the committee logs in, runs the cross-check and publishes it; the results, in the
site's frame, list every log and link each report. Every participant page must fit a 390 px phone
screen. A log whose own call and category hold markup runs no script on any page: the test watches
for dialogs and checks that the pages show the markup as text.

  site_browser_test.py --server ZELK_SERVER --simulator ZELK_CONTEST_SIM --mail-sink ZELK_MAIL_SINK --samples DIR
                       [--screenshots DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.request

from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from site_helpers import (Site, attachment_of, chromium, post_json, post_multipart, wait_for,
                          wait_until_replaced)

HOSTILE_CALL = "<script>"
HOSTILE_CATEGORY = "<img src=x onerror=alert(1)><script>alert(2)</script>"
HOSTILE_CATEGORY_CALL = "UR9XSS"
PHONE_WIDTH = 390


def hostile_log(call, category):
    return (f"START-OF-LOG: 3.0\nCALLSIGN: {call}\nCATEGORY-OPERATOR: {category}\n"
            "QSO:  3520 CW 2017-05-05 2100 UR9XSS 599 KI01 DL1ABC 599 001\nEND-OF-LOG:\n")


def body_text(driver):
    return driver.find_element(By.TAG_NAME, "body").text


class PhoneWidth:
    """Shows pages as a phone 390 px wide does (its viewport honoured) while in effect, and checks
    that each page fits: nothing wider than the screen, so no sideways scrolling."""

    def __init__(self, driver):
        self.driver = driver
        self.checked = []

    def __enter__(self):
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": PHONE_WIDTH, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        return self

    def __exit__(self, *failure):
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def check(self, what):
        width = self.driver.execute_script("return document.documentElement.scrollWidth")
        assert width <= PHONE_WIDTH, f"{what} is {width} px wide at a {PHONE_WIDTH} px screen"
        self.checked.append(what)

    def visit(self, url, what):
        self.driver.get(url)
        self.check(what)


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
    parser.add_argument("--mail-sink", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    args.samples = os.path.abspath(args.samples)

    work = tempfile.mkdtemp(prefix="zelk-browser-")
    site = None
    driver = None
    try:
        # Every log's report is public once published: the results link each row's report.
        site = Site(args.server, args.mail_sink, args.samples, work, extra=("--public-ubn",))
        base = site.base
        driver = chromium(work, accept_language="en-US,en")
        phone = PhoneWidth(driver)

        def shot(name):
            if args.screenshots:
                os.makedirs(args.screenshots, exist_ok=True)
                driver.save_screenshot(os.path.join(args.screenshots, name))

        def mail_about(words, what):
            return wait_for(lambda: next((m for m in site.mails() if all(w in str(m["Subject"]) for w in words)), None),
                            what)

        with phone:
            phone.visit(base + "/results/", "the results before they are out")
            assert "not published yet" in body_text(driver)
            phone.visit(base + "/no/such/page", "the page for a wrong address")

        # A participant uploads the sample log through the form.
        driver.get(base + "/")
        adif = os.path.join(args.samples, "contest.adi")
        driver.find_element(By.NAME, "log").send_keys(adif)
        driver.find_element(By.NAME, "email").send_keys("ut5zz@example.org")
        # An ADIF log cannot say its category: the sender chooses it on the form.
        Select(driver.find_element(By.NAME, "category")).select_by_value("SO-MIXED-LOW")
        shot("server-upload-form.png")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Receipt for UT5ZZ" in driver.title, "the receipt")
        body = body_text(driver)
        assert "Your log was received and stored" in body, body[:500]
        assert "Single operator, mixed mode, low power" in body, "the chosen category is on the receipt"
        rows = driver.find_elements(By.CSS_SELECTOR, "table.findings tr")
        assert len(rows) > 5, "the findings are listed with their lines"
        assert "DUPE of line" in body and "not in the list" in body, "the findings say what was found"
        receipt_url = driver.find_element(By.CSS_SELECTOR, "table.receipt a").get_attribute("href")
        shot("server-receipt.png")

        # The receipt e-mail reaches the relay with the log attached byte for byte.
        receipt_mail = mail_about(["UT5ZZ", "receipt No."], "the receipt e-mail")
        assert receipt_mail["To"] == "ut5zz@example.org", receipt_mail["To"]
        name, attached = attachment_of(receipt_mail)
        sent = open(adif, "rb").read()
        assert name == "contest.adi" and attached == sent, f"the attachment {name!r} is not the log as sent"
        assert receipt_url in receipt_mail.get_body(("plain",)).get_content(), "the mail gives the receipt's link"

        # A lost receipt link: the form answers alike for any call, the address on file gets the links.
        driver.get(base + "/")
        driver.find_element(By.LINK_TEXT, "Lost the link to your receipt?").click()
        driver.find_element(By.NAME, "call").send_keys("ut5zz")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "receipt links are on the way" in body_text(driver), "the lost-link answer")
        shot("server-lost-link.png")
        links_mail = mail_about(["your receipt links for UT5ZZ"], "the lost-link e-mail")
        assert links_mail["To"] == "ut5zz@example.org"
        assert base + "/receipt/" in links_mail.get_body(("plain",)).get_content()
        driver.get(base + "/received")
        received = body_text(driver)
        assert "Single operator, mixed mode, low power" in received and "Claimed" not in received, received[:500]
        shot("server-received.png")

        # Hostile logs through the form: markup as the own call is refused, in a category it is kept;
        # both pages show it as text.
        driver.get(base + "/")
        driver.find_element(By.NAME, "text").send_keys(hostile_log(HOSTILE_CALL, "SINGLE-OP"))
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Log not accepted" in driver.title, "the hostile call's refusal")
        no_dialog(driver, "the hostile call's refusal")
        assert "<SCRIPT>" in body_text(driver)
        driver.get(base + "/")
        driver.find_element(By.NAME, "text").send_keys(hostile_log(HOSTILE_CATEGORY_CALL, HOSTILE_CATEGORY))
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Receipt for" in driver.title, "the hostile category's receipt")
        no_dialog(driver, "the hostile category's receipt")
        assert HOSTILE_CATEGORY in body_text(driver)

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

        # The owner sends a corrected log with the form of the receipt: it replaces the counted one,
        # and its receipt mail carries the corrected file.
        corrected_path = os.path.join(work, "contest-corrected.adi")
        with open(corrected_path, "wb") as corrected_file:
            corrected_file.write(b"Corrected: one QSO time mended\n" + sent)
        driver.get(receipt_url)
        corrected = driver.find_element(By.XPATH, "//form[.//input[@name='receipt']]")
        driver.execute_script("arguments[0].scrollIntoView()", corrected)
        shot("server-corrected-log-form.png")
        corrected.find_element(By.NAME, "log").send_keys(corrected_path)
        corrected.find_element(By.NAME, "email").send_keys("ut5zz@example.org")
        corrected.find_element(By.CSS_SELECTOR, "button").click()
        wait_for(lambda: "This log replaces your earlier upload" in body_text(driver), "the corrected log's receipt")
        corrected_receipt_url = driver.find_element(By.CSS_SELECTOR, "table.receipt a").get_attribute("href")
        corrected_mail = wait_for(lambda: next((m for m in site.mails() if attachment_of(m)[0] == "contest-corrected.adi"),
                                               None), "the corrected log's receipt e-mail")
        assert attachment_of(corrected_mail)[1] == open(corrected_path, "rb").read()

        # In Ukrainian: the frame's switch, remembered from page to page, for the form, the upload
        # and its receipt, its e-mail and the refusal; then back to English.
        driver.get(base + "/received")
        driver.find_element(By.CSS_SELECTOR, "header a.language").click()
        wait_for(lambda: driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "uk", "the Ukrainian page")
        assert driver.current_url == base + "/received", driver.current_url
        assert "Отримані звіти" in body_text(driver)
        driver.get(base + "/")
        assert driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "uk", "the choice was not remembered"
        assert "Надішліть свій звіт" in body_text(driver)
        shot("server-upload-form-uk.png")
        driver.find_element(By.NAME, "text").send_keys(
            "START-OF-LOG: 3.0\nCALLSIGN: UR5UKR\nCATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: CW\n"
            "QSO:  3520 CW 2017-05-05 2100 UR5UKR 599 KR02 UT5ZZ 599 KI01\nEND-OF-LOG:\n")
        Select(driver.find_element(By.NAME, "category")).select_by_value("SO-CW-QRP")
        driver.find_element(By.NAME, "email").send_keys("ur5ukr@example.org")
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Квитанція для UR5UKR" in driver.title, "the Ukrainian receipt")
        ukrainian = body_text(driver)
        for seen in ("Ваш звіт отримано й збережено", "Позивний", "Кінцевий термін подання звітів",
                     "Надіслати виправлений звіт", "Один оператор"):
            assert seen in ukrainian, seen
        ukrainian_receipt_url = driver.current_url
        ukrainian_mail = mail_about(["UR5UKR", "квитанція"], "the Ukrainian receipt e-mail")
        assert "Позивний: UR5UKR" in ukrainian_mail.get_body(("plain",)).get_content()
        driver.find_element(By.CSS_SELECTOR, "header a.language").click()
        wait_for(lambda: driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "en", "back in English")
        assert "Receipt for UR5UKR" in driver.title, "the switch returns to the receipt"

        # A browser that asks for Ukrainian gets it without choosing.
        asking = chromium(work, accept_language="uk-UA,uk")
        try:
            asking.get(base + "/lost-link")
            assert asking.find_element(By.TAG_NAME, "html").get_attribute("lang") == "uk"
            assert "Загубили посилання на квитанцію?" in body_text(asking)
        finally:
            asking.quit()

        # The simulated contest's 60 logs come in through the API.
        logs = os.path.join(work, "contest-logs")
        subprocess.run([args.simulator, "--stations", "60", "--qsos", "150", "--districts",
                        os.path.join(args.samples, "zelk.txt"), "--output-dir", logs], check=True,
                       stdout=subprocess.DEVNULL)
        calls = []
        for name in sorted(os.listdir(logs)):
            status, receipt = post_multipart(base + "/api/logs", {}, name, open(os.path.join(logs, name), "rb").read())
            assert status == 201, receipt
            calls.append(receipt["call"])
        assert len(calls) == 60

        # The committee logs in, runs the cross-check and publishes it.
        driver.get(base + "/committee")
        driver.find_element(By.NAME, "password").send_keys(site.password)
        driver.find_element(By.CSS_SELECTOR, "form.box button").click()
        wait_for(lambda: "Logged in as committee" in body_text(driver), "the login")
        no_dialog(driver, "the committee page")

        # The stranger's upload waits among the pending ones: rejected. The owner's first log is
        # restored from the call's history; each action shows there.
        pending = driver.find_element(By.CSS_SELECTOR, "table.pending")
        assert "UT5ZZ" in pending.text, pending.text
        shot("server-pending.png")
        pending.find_element(By.XPATH, ".//button[.='Reject']").click()
        wait_for(lambda: "Actions on UT5ZZ" in body_text(driver), "the call's history")
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
        page = body_text(driver)
        assert HOSTILE_CATEGORY in page, "the committee page shows the hostile category as text"
        shot("server-committee.png")
        published_button().click()
        wait_for(lambda: "published" in driver.find_element(By.CSS_SELECTOR, "table.runs").text, "the publication")

        # The results in the site's frame; each row's report links open the report.
        driver.get(base + "/results")
        results = body_text(driver)
        no_dialog(driver, "the results")
        assert driver.find_element(By.CSS_SELECTOR, "header nav"), "the results are not in the site's frame"
        assert driver.find_element(By.TAG_NAME, "h1").text == "Results"
        missing = [call for call in calls if call not in results]
        assert not missing, f"calls missing from the results: {missing}"
        assert HOSTILE_CATEGORY_CALL in results, "the log with the hostile category is listed"
        shot("server-results.png")
        row = driver.find_element(By.XPATH, f"//div[@class='results']//tr[td[.='{calls[0]}']]")
        text_link = row.find_element(By.LINK_TEXT, "text").get_attribute("href")
        with urllib.request.urlopen(text_link) as answer:
            assert calls[0] in answer.read().decode(), "the text report"
        row.find_element(By.LINK_TEXT, "page").click()
        wait_for(lambda: f"Report of {calls[0]} (UBN)" in driver.title, "the report page in the site's frame")
        assert driver.find_elements(By.CSS_SELECTOR, "header nav") and driver.find_elements(By.CSS_SELECTOR, "div.report svg")
        report_url = driver.current_url

        for page in ("/received", "/"):
            driver.get(base + page)
            no_dialog(driver, page)
        assert HOSTILE_CATEGORY_CALL in body_text(driver) or page == "/"

        # The participant's receipt (its log restored by the committee) now leads to the log's report.
        driver.get(receipt_url)
        driver.find_element(By.PARTIAL_LINK_TEXT, "your log's report").click()
        wait_for(lambda: "Report of UT5ZZ (UBN)" in driver.title, "the UBN report")
        driver.find_element(By.LINK_TEXT, "The report as plain text").click()
        wait_for(lambda: "UT5ZZ" in body_text(driver), "the report's text")
        driver.back()
        no_dialog(driver, "the UBN report")
        ubn_url = driver.current_url

        # Every participant page fits a phone's screen, in both languages, the forms' answers too.
        with phone:
            for language in ("en", "uk"):
                driver.get(base + f"/language/{language}?back=/")
                phone.check(f"the upload form ({language})")
                for path, what in (("/received", "the logs received"), ("/lost-link", "the lost-link form"),
                                   ("/results/", "the results"), ("/no/such/page", "the page for a wrong address")):
                    phone.visit(base + path, f"{what} ({language})")
                for url, what in ((receipt_url, "the receipt"), (corrected_receipt_url, "the corrected log's receipt"),
                                  (ukrainian_receipt_url, "the receipt of a log sent in Ukrainian")):
                    phone.visit(url, f"{what} ({language})")
                driver.get(base + "/lost-link")
                driver.find_element(By.NAME, "call").send_keys("UR5UKR")
                driver.find_element(By.CSS_SELECTOR, "form.box button").click()
                wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "p.ok"), "the lost-link answer")
                phone.check(f"the lost-link answer ({language})")
                driver.get(base + "/")
                driver.find_element(By.NAME, "text").send_keys("not a log at all " * 20)
                driver.find_element(By.CSS_SELECTOR, "form.box button").click()
                wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "p.error"), "the refusal")
                phone.check(f"the refusal ({language})")
            phone.visit(report_url, "a report page of the results")
            phone.visit(ubn_url, "the report from the receipt")

        # After the deadline: no upload, no correction, the way to the results.
        post_json(base + "/api/committee/deadline", {"deadline": "2017-05-10 00:00"},
                  {"Authorization": "Bearer " + site.token()})
        driver.get(base + "/language/en?back=/")
        closed = body_text(driver)
        assert "no longer taken" in closed and "until the deadline" not in closed, closed
        assert not driver.find_elements(By.NAME, "log"), "an upload form after the deadline"
        driver.find_element(By.LINK_TEXT, "see the results").click()
        wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "div.results"), "the results from the closed page")
        with phone:
            phone.visit(base + "/", "the closed contest page")
            phone.visit(receipt_url, "a receipt after the deadline")
        print(f"browser test passed: receipt and its e-mail with the log attached, findings, lost link by e-mail, "
              f"pending upload, corrected log, Ukrainian pages and mail, the committee's reject and restore, "
              f"60 API uploads, cross-check, publication, framed results with their report links, the closed "
              f"page; {len(phone.checked)} pages fit a {PHONE_WIDTH} px screen")
        return 0
    finally:
        if driver:
            driver.quit()
        if site:
            site.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
