#!/usr/bin/python3
"""Screenshots of the participant's pages of zelk-server, in English and Ukrainian, at a desktop's
width and at a 390 px phone's: the server on a free port with demo data (a simulated contest
uploaded through the API, the sample ADIF log through the form, the cross-check run and published,
then the deadline passed), each page saved whole as docs/screenshots/participant-<page>-<language>-<width>.png.

  site_screenshots.py --build build/native --samples samples --output docs/screenshots
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))

from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

from site_helpers import Site, chromium, post_json, post_multipart, wait_for  # noqa: E402

WIDTHS = {"desktop": (1280, False), "phone": (390, True)}
TALLEST = 2600  # px of a page kept in its picture


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the native build folder")
    parser.add_argument("--samples", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    build, samples, output = (os.path.abspath(path) for path in (args.build, args.samples, args.output))
    os.makedirs(output, exist_ok=True)
    for old in os.listdir(output):
        if old.startswith("participant-") and old.endswith(".png"):
            os.remove(os.path.join(output, old))

    work = tempfile.mkdtemp(prefix="zelk-screenshots-")
    site = driver = None
    try:
        site = Site(os.path.join(build, "server", "zelk-server"), os.path.join(build, "tools", "mail_sink", "zelk-mail-sink"),
                    samples, work)
        base = site.base
        logs = os.path.join(work, "contest-logs")
        subprocess.run([os.path.join(build, "tools", "contest_simulator", "zelk-contest-sim"), "--stations", "24",
                        "--qsos", "80", "--districts", os.path.join(samples, "zelk.txt"), "--output-dir", logs],
                       check=True, stdout=subprocess.DEVNULL)
        for name in sorted(os.listdir(logs)):
            post_multipart(base + "/api/logs", {}, name, open(os.path.join(logs, name), "rb").read())
        driver = chromium(work)
        saved = []

        def save(page, language):
            """The page now shown, whole, at each width."""
            for width_name, (width, mobile) in WIDTHS.items():
                driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                       {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": mobile})
                height = driver.execute_script("return document.documentElement.scrollHeight")
                driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                       {"width": width, "height": min(height, TALLEST), "deviceScaleFactor": 1,
                                        "mobile": mobile})
                name = f"participant-{page}-{language}-{width_name}.png"
                driver.save_screenshot(os.path.join(output, name))
                saved.append(name)
            driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

        def choose(language, back="/"):
            driver.get(f"{base}/language/{language}?back={back}")

        # Fills one field of the page's form, sends it, and saves the answer once it shows.
        def send_box(field, answer_css, page, language):
            driver.find_element(By.NAME, field[0]).send_keys(field[1])
            driver.find_element(By.CSS_SELECTOR, "form.box button").click()
            wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, answer_css), f"the {page} page")
            save(page, language)

        receipts = {}
        for language in ("en", "uk"):
            choose(language, "/results/")
            save("no-results", language)
            choose(language)
            Select(driver.find_element(By.NAME, "category")).select_by_value("SO-MIXED-LOW")
            save("upload-form", language)
            # The English receipt is the first upload's; the Ukrainian one a corrected log sent from it.
            if language == "en":
                form = driver.find_element(By.CSS_SELECTOR, "form.box")
            else:
                driver.get(receipts["en"])
                form = driver.find_element(By.XPATH, "//form[.//input[@name='receipt']]")
            form.find_element(By.NAME, "log").send_keys(os.path.join(samples, "contest.adi"))
            form.find_element(By.NAME, "email").send_keys("ut5zz@example.org")
            Select(form.find_element(By.NAME, "category")).select_by_value("SO-MIXED-LOW")
            form.find_element(By.CSS_SELECTOR, "button").click()
            wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "table.receipt"), "the receipt")
            receipts[language] = driver.find_element(By.CSS_SELECTOR, "table.receipt a").get_attribute("href")
            save("receipt", language)
            driver.get(base + "/")
            send_box(("text", "This is not a log."), "p.error", "refusal", language)
            driver.get(base + "/lost-link")
            save("lost-link", language)
            send_box(("call", "UT5ZZ"), "p.ok", "lost-link-answer", language)
            driver.get(base + "/received")
            save("received", language)
            driver.get(base + "/no/such/page")
            save("not-found", language)

        bearer = {"Authorization": "Bearer " + site.token()}
        run = post_json(base + "/api/committee/crosscheck", {}, bearer)["run"]

        def finished():
            import json
            import urllib.request
            request = urllib.request.Request(f"{base}/api/committee/runs/{run}", headers=bearer)
            with urllib.request.urlopen(request) as answer:
                return json.loads(answer.read())["state"] != "running"
        wait_for(finished, "the cross-check")
        post_json(f"{base}/api/committee/runs/{run}/publish", {}, bearer)
        post_json(base + "/api/committee/deadline", {"deadline": "2017-05-10 00:00"}, bearer)
        for language in ("en", "uk"):
            choose(language, "/results/")
            save("results", language)
            choose(language)
            save("closed", language)
            driver.get(receipts[language])
            save("receipt-after-results", language)
        for language in ("en", "uk"):
            choose(language)
            driver.get(receipts["uk"] + "/ubn")  # the log that counts: the corrected one
            save("report", language)
        print(f"{len(saved)} screenshots in {output}")
        return 0
    finally:
        if driver:
            driver.quit()
        if site:
            site.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
