// The texts of the participant's pages in English and Ukrainian (the mail's are in site_texts.cpp).
// Keys are grouped by page; every key has both languages and the same placeholders in each.
#include "server/text_catalog.h"

#include <array>

namespace {

constexpr std::array kTexts = {
    // The frame of every page.
    CatalogText{"frame.site", "ZELK contest logs", "Звіти змагань ZELK"},
    CatalogText{"frame.title", "{title} - ZELK contest logs", "{title} — звіти змагань ZELK"},
    CatalogText{"frame.upload", "Upload a log", "Надіслати звіт"},
    CatalogText{"frame.received", "Logs received", "Отримані звіти"},
    CatalogText{"frame.results", "Results", "Результати"},
    CatalogText{"frame.committee", "Committee", "Суддівська колегія"},
    CatalogText{"frame.navigation", "Site navigation", "Навігація сайтом"},

    // Amounts of time and of bytes.
    CatalogText{"time.days_hours", "{days} d {hours} h", "{days} д {hours} год"},
    CatalogText{"time.hours_minutes", "{hours} h {minutes} min", "{hours} год {minutes} хв"},
    CatalogText{"time.minutes", "{minutes} min", "{minutes} хв"},
    CatalogText{"bytes.mb", "{count} MB", "{count} МБ"},
    CatalogText{"bytes.kb", "{count} KB", "{count} КБ"},
    CatalogText{"bytes.bytes", "{count} bytes", "{count} байтів"},

    // The contest's facts.
    CatalogText{"facts.period", "Contest period", "Період змагань"},
    CatalogText{"facts.period_value", "{start} to {end} UTC", "з {start} до {end} UTC"},
    CatalogText{"facts.deadline", "Log deadline", "Кінцевий термін подання звітів"},
    CatalogText{"facts.left", "({left} left)", "(залишилося {left})"},
    CatalogText{"facts.reopened", "(passed; uploads reopened by the committee)",
                "(минув; суддівська колегія знову відкрила приймання звітів)"},
    CatalogText{"facts.passed", "(passed)", "(минув)"},

    // The contest page and its upload form.
    CatalogText{"contest.title", "{contest} contest", "Змагання {contest}"},
    CatalogText{"contest.rules", "The rules in short", "Коротко про правила"},
    CatalogText{"contest.rule_format",
                "Send one log per station, Cabrillo (2.0 or 3.0) or ADIF, with your call (CALLSIGN:) in its header; "
                "your category from the header (CATEGORY-...:) or chosen on the form (an ADIF log cannot say it).",
                "Надсилайте один звіт від станції у форматі Cabrillo (2.0 або 3.0) чи ADIF, з вашим позивним "
                "(CALLSIGN:) у заголовку; категорію беремо із заголовка (CATEGORY-...:) або з вибору у формі "
                "(у звіті ADIF її вказати не можна)."},
    CatalogText{"contest.rule_check",
                "Your log is checked at once with the contest's own rules: you see what was read, the score you "
                "claim and each line that was skipped or found wrong.",
                "Ваш звіт одразу перевіряється за правилами змагань: ви бачите, що прочитано, заявлений результат "
                "і кожен рядок, який пропущено або визнано помилковим."},
    CatalogText{"contest.rule_correct",
                "You may send a corrected log until the deadline with the \"Send a corrected log\" form of your "
                "receipt: it replaces your earlier log, which is kept as its history. An upload for a call that has "
                "a log already, sent without that log's receipt, waits for the committee's decision.",
                "До кінцевого терміну можна надіслати виправлений звіт через форму «Надіслати виправлений звіт» "
                "у вашій квитанції: він замінить попередній звіт, який залишиться в історії. Звіт для позивного, "
                "від якого звіт уже є, надісланий без квитанції того звіту, чекає на рішення суддівської колегії."},
    CatalogText{"contest.rule_crosscheck",
                "After the deadline the committee checks all logs against each other; your receipt link then shows "
                "your report.",
                "Після кінцевого терміну суддівська колегія звіряє всі звіти між собою; тоді за посиланням із "
                "квитанції ви побачите результати перевірки свого звіту."},
    CatalogText{"contest.closed", "The deadline has passed: logs are no longer taken.",
                "Кінцевий термін минув: звіти більше не приймаються."},
    CatalogText{"contest.closed_wait",
                "The committee is checking the logs against each other; the results are published here once ready.",
                "Суддівська колегія звіряє звіти між собою; результати буде опубліковано тут, щойно вони будуть готові."},
    CatalogText{"contest.see_results_link", "see the results", "переглянути результати"},
    CatalogText{"upload.heading", "Upload your log", "Надішліть свій звіт"},
    CatalogText{"upload.file", "Log file (at most {size}):", "Файл звіту (не більше {size}):"},
    CatalogText{"upload.paste", "or paste the log here:", "або вставте текст звіту сюди:"},
    CatalogText{"upload.email", "Your e-mail address (the receipt is e-mailed there; never shown to others):",
                "Ваша адреса електронної пошти (на неї надійде квитанція; іншим її не показуємо):"},
    CatalogText{"upload.submit", "Upload and check", "Надіслати й перевірити"},
    CatalogText{"upload.lost_link", "Lost the link to your receipt?", "Загубили посилання на квитанцію?"},
    CatalogText{"category.from_header_choice", "as the log's header says", "як зазначено в заголовку звіту"},

    // The receipt.
    CatalogText{"receipt.title", "Receipt for {call}", "Квитанція для {call}"},
    CatalogText{"receipt.stored", "Your log was received and stored. Keep the link to this receipt.",
                "Ваш звіт отримано й збережено. Збережіть посилання на цю квитанцію."},
    CatalogText{"receipt.replaces",
                "This log replaces your earlier upload (submission {number}) for scoring; the earlier one is kept in "
                "the history.",
                "Для підрахунку цей звіт замінює ваш попередній (надсилання № {number}); попередній зберігається в "
                "історії."},
    CatalogText{"receipt.category_problem_form",
                "The log's category lines map to no category of the contest: {problem} The category chosen on the "
                "form is taken.",
                "Рядки категорії у звіті не відповідають жодній категорії змагань: {problem} Взято категорію, обрану "
                "у формі."},
    CatalogText{"receipt.category_problem_choose",
                "The log's category lines map to no category of the contest: {problem} Choose the category on the "
                "form when you send a corrected log.",
                "Рядки категорії у звіті не відповідають жодній категорії змагань: {problem} Оберіть категорію у "
                "формі, коли надсилатимете виправлений звіт."},
    CatalogText{"receipt.number", "Submission number", "Номер надсилання"},
    CatalogText{"receipt.received", "Received", "Отримано"},
    CatalogText{"receipt.deadline_left", "({left} left: until then you may send a corrected log)",
                "(залишилося {left}: до того часу можна надіслати виправлений звіт)"},
    CatalogText{"receipt.call", "Call", "Позивний"},
    CatalogText{"receipt.no_category", "none", "не вказано"},
    CatalogText{"receipt.file", "File", "Файл"},
    CatalogText{"receipt.pasted", "pasted text", "вставлений текст"},
    CatalogText{"receipt.sha256", "SHA-256 of the file", "SHA-256 файлу"},
    CatalogText{"receipt.size", "Size", "Розмір"},
    CatalogText{"receipt.email", "E-mail", "Електронна пошта"},
    CatalogText{"receipt.no_email", "none given: this receipt is not e-mailed",
                "не вказано: цю квитанцію поштою не надсилаємо"},
    CatalogText{"receipt.emailed", "{email} (this receipt is e-mailed there, the log attached)",
                "{email} (квитанцію надіслано на цю адресу, звіт додано до листа)"},
    CatalogText{"receipt.link", "This receipt", "Ця квитанція"},
    CatalogText{"receipt.qso_counts",
                "QSOs read: the QSO lines found in the file. QSOs scored: those taken into the log by the contest's "
                "rules (lines that could not be read and QSOs outside the contest period are left out). The summary "
                "counts what earns points: a repeated QSO (a dupe) and a QSO with a wrong band, mode or exchange are "
                "scored but count nothing there, so its totals can be lower.",
                "Прочитано QSO: рядки QSO, знайдені у файлі. Зараховано QSO: ті, що взято до звіту за правилами "
                "змагань (рядки, які не вдалося прочитати, і QSO поза періодом змагань не враховуються). Підсумок "
                "рахує лише те, що приносить очки: повторне QSO (дубль) і QSO з помилковим діапазоном, видом "
                "роботи чи контрольним номером зараховуються, але очок не дають, тому його підсумки можуть бути "
                "меншими."},
    CatalogText{"receipt.results_published", "The results are published:", "Результати опубліковано:"},
    CatalogText{"receipt.report_link", "your log's report (UBN)", "результати перевірки вашого звіту (UBN)"},
    CatalogText{"receipt.check_heading", "What the check found", "Що виявила перевірка"},
    CatalogText{"receipt.not_found_title", "No such receipt", "Такої квитанції немає"},
    CatalogText{"receipt.not_found", "The receipt link is not known.", "Посилання на квитанцію невідоме."},

    // The check's details.
    CatalogText{"check.own_call", "Own call", "Власний позивний"},
    CatalogText{"check.category_lines", "Category lines", "Рядки категорії"},
    CatalogText{"check.format", "Format", "Формат"},
    CatalogText{"check.qsos_read", "QSOs read", "Прочитано QSO"},
    CatalogText{"check.qsos_scored", "QSOs scored", "Зараховано QSO"},
    CatalogText{"check.claimed_score", "Claimed score", "Заявлений результат"},
    CatalogText{"check.summary", "Summary", "Підсумок"},
    CatalogText{"check.findings", "Lines skipped and findings", "Пропущені рядки й зауваження"},
    CatalogText{"check.no_findings", "None: every line was read and no QSO was found wrong.",
                "Немає: усі рядки прочитано, помилкових QSO не виявлено."},
    CatalogText{"check.line", "Line", "Рядок"},
    CatalogText{"check.found", "What was found", "Що виявлено"},
    CatalogText{"check.more", "and {count} more.", "і ще {count}."},

    // Where an upload stands, and the corrected log's form.
    CatalogText{"state.pending",
                "This log does not count (yet): a log for {call} was received earlier, and this upload did not come "
                "with that log's receipt. It is kept for the committee, who will accept or reject it. If you sent "
                "the earlier log, send your corrected log from the earlier receipt's page (\"Send a corrected log\") "
                "instead.",
                "Цей звіт (поки що) не враховується: звіт для {call} уже надходив раніше, а це надсилання було без "
                "квитанції того звіту. Його збережено для суддівської колегії, яка прийме або відхилить його. Якщо "
                "попередній звіт надсилали ви, надішліть виправлений звіт зі сторінки попередньої квитанції "
                "(«Надіслати виправлений звіт»)."},
    CatalogText{"state.rejected", "The committee rejected this upload: the earlier log of {call} counts.",
                "Суддівська колегія відхилила це надсилання: враховується попередній звіт {call}."},
    CatalogText{"state.replaced", "A later upload for {call} replaced this log for scoring.",
                "Для підрахунку цей звіт замінено пізнішим надсиланням для {call}."},
    CatalogText{"state.pending_of_call",
                "{count} upload(s) for {call} came without this receipt: they wait for the committee's decision and "
                "do not replace your log. If you did not send them, tell the committee.",
                "Надсилань для {call} без цієї квитанції: {count}. Вони чекають на рішення суддівської колегії й не "
                "замінюють ваш звіт. Якщо ви їх не надсилали, повідомте суддівську колегію."},
    CatalogText{"correction.offer", "Found a mistake?", "Знайшли помилку?"},
    CatalogText{"correction.offer_link", "Send a corrected log", "Надішліть виправлений звіт"},
    CatalogText{"correction.offer_until", "with this receipt until the deadline.",
                "з цією квитанцією до кінцевого терміну."},
    CatalogText{"correction.heading", "Send a corrected log", "Надіслати виправлений звіт"},
    CatalogText{"correction.explain",
                "A log sent with this receipt replaces the log of {call} that counts now; without it, a new upload "
                "for {call} waits for the committee.",
                "Звіт, надісланий із цією квитанцією, замінить звіт {call}, який враховується зараз; без неї нове "
                "надсилання для {call} чекатиме на рішення суддівської колегії."},
    CatalogText{"correction.file", "Corrected log file (at most {size}):", "Файл виправленого звіту (не більше {size}):"},
    CatalogText{"correction.email", "Your e-mail address (the receipt is e-mailed there):",
                "Ваша адреса електронної пошти (на неї надійде квитанція):"},
    CatalogText{"correction.submit", "Send the corrected log", "Надіслати виправлений звіт"},

    // An upload refused, and why.
    CatalogText{"refusal.title", "Log not accepted", "Звіт не прийнято"},
    CatalogText{"refusal.back", "Back to the upload form", "Назад до форми подання"},
    CatalogText{"refusal.too_many", "Too many uploads from your address", "Забагато надсилань із вашої адреси"},
    CatalogText{"refusal.too_many_detail", "Wait a minute and upload again.",
                "Зачекайте хвилину й надішліть звіт ще раз."},
    CatalogText{"refusal.closed", "The deadline has passed", "Кінцевий термін минув"},
    CatalogText{"refusal.closed_detail", "Logs were taken until {deadline}; ask the committee if your log is late.",
                "Звіти приймалися до {deadline}; якщо ваш звіт запізнився, зверніться до суддівської колегії."},
    CatalogText{"refusal.no_log", "No log was given", "Звіт не надано"},
    CatalogText{"refusal.no_log_detail", "Choose a log file or paste the log's text.",
                "Оберіть файл звіту або вставте текст звіту."},
    CatalogText{"refusal.too_large", "The log is too large", "Звіт завеликий"},
    CatalogText{"refusal.too_large_detail", "Logs of at most {size} are taken.", "Приймаються звіти не більше {size}."},
    CatalogText{"refusal.bad_email", "The e-mail address is not an address", "Адреса електронної пошти хибна"},
    CatalogText{"refusal.bad_email_detail", "Give an address like name@example.org, or none.",
                "Вкажіть адресу на зразок name@example.org або залиште поле порожнім."},
    CatalogText{"refusal.busy", "The site is busy checking other logs", "Сайт зараз перевіряє інші звіти"},
    CatalogText{"refusal.busy_detail", "Nothing was kept. Please upload your log again in a minute.",
                "Нічого не збережено. Будь ласка, надішліть звіт ще раз за хвилину."},
    CatalogText{"refusal.check_failed", "The log could not be checked: {reason}", "Звіт не вдалося перевірити: {reason}"},
    CatalogText{"refusal.check_failed_detail",
                "Nothing was kept. Please send the log to the committee by e-mail, or mend it and upload it again.",
                "Нічого не збережено. Будь ласка, надішліть звіт суддівській колегії електронною поштою або "
                "виправте його й надішліть ще раз."},
    CatalogText{"refusal.unusable", "The log cannot be used: {reason}", "Звіт неможливо використати: {reason}"},
    CatalogText{"refusal.mend_detail", "Nothing was kept. Mend the log and upload it again.",
                "Нічого не збережено. Виправте звіт і надішліть його ще раз."},
    CatalogText{"refusal.unknown_receipt", "The receipt is not known", "Квитанція невідома"},
    CatalogText{"refusal.unknown_receipt_detail",
                "Nothing was kept. Send the corrected log from your receipt's page, or give the receipt's link as it "
                "was shown.",
                "Нічого не збережено. Надішліть виправлений звіт зі сторінки своєї квитанції або вкажіть посилання "
                "на квитанцію точно так, як його було показано."},
    CatalogText{"refusal.other_call", "The receipt is for {receipt_call}, but this log is for {call}",
                "Квитанція видана для {receipt_call}, а цей звіт — для {call}"},
    CatalogText{"refusal.other_call_detail", "Nothing was kept. A receipt lets you replace only its own call's log.",
                "Нічого не збережено. Квитанція дає змогу замінити лише звіт свого позивного."},
    CatalogText{"refusal.category_detail", "Nothing was kept. Choose one of the contest's categories on the form.",
                "Нічого не збережено. Оберіть у формі одну з категорій змагань."},
    CatalogText{"refusal.not_stored", "The log could not be stored", "Звіт не вдалося зберегти"},
    CatalogText{"refusal.not_stored_detail", "Nothing was kept. Please upload it again later.",
                "Нічого не збережено. Будь ласка, надішліть його ще раз пізніше."},

    // The lost-link form.
    CatalogText{"lost_link.title", "Lost your receipt link?", "Загубили посилання на квитанцію?"},
    CatalogText{"lost_link.explain",
                "Give your call: the links of its receipts are e-mailed to the addresses given with its uploads.",
                "Вкажіть свій позивний: посилання на його квитанції надійдуть на адреси електронної пошти, вказані "
                "під час надсилання звітів."},
    CatalogText{"lost_link.call", "Call:", "Позивний:"},
    CatalogText{"lost_link.submit", "Send my receipt links", "Надіслати посилання на мої квитанції"},

    // The logs received.
    CatalogText{"received.title", "Logs received", "Отримані звіти"},
    CatalogText{"received.count_one", "1 log received.", "Отримано 1 звіт."},
    CatalogText{"received.count", "{count} logs received.", "Отримано звітів: {count}."},
    CatalogText{"received.last_upload", "Last upload (UTC)", "Останнє надсилання (UTC)"},
    CatalogText{"received.qsos", "QSOs", "QSO"},
    CatalogText{"received.published", "The results are published.", "Результати опубліковано."},

    // The results.
    CatalogText{"results.title", "Results", "Результати"},
    CatalogText{"results.none", "The results are not published yet.", "Результати ще не опубліковано."},
    CatalogText{"results.csv_link", "The results as a CSV table", "Результати у вигляді таблиці CSV"},
    CatalogText{"results.published_at", "Published {time}.", "Опубліковано {time}."},
    CatalogText{"results.reports_private",
                "Each log's report is shown to its sender through the link of the receipt.",
                "Результати перевірки кожного звіту бачить його відправник за посиланням із квитанції."},
    CatalogText{"results.not_public_title", "Report not public", "Результати перевірки не публічні"},
    CatalogText{"results.no_report_title", "No report", "Немає результатів перевірки"},
    CatalogText{"results.no_report", "There is no published report for this receipt.",
                "Для цієї квитанції немає опублікованих результатів перевірки."},
    CatalogText{"report.title", "Report of {call} (UBN)", "Результати перевірки звіту {call} (UBN)"},
    CatalogText{"report.text", "The report as plain text", "Результати перевірки простим текстом"},
    CatalogText{"report.all_results", "All results", "Усі результати"},
    CatalogText{"results.not_found", "There is no such report.", "Таких результатів перевірки немає."},

    // Errors.
    CatalogText{"error.title", "Error", "Помилка"},
    CatalogText{"error.text", "The request could not be served.", "Запит не вдалося виконати."},
    CatalogText{"error.not_found_title", "Not found", "Не знайдено"},
    CatalogText{"error.not_found", "There is no such page.", "Такої сторінки немає."},
    CatalogText{"error.file_too_large_title", "The file is too large", "Файл завеликий"},
    CatalogText{"error.file_too_large", "Logs of at most {size} are taken; this upload is larger.",
                "Приймаються звіти не більше {size}; це надсилання більше."},
    CatalogText{"error.text_too_long_title", "The text is too long", "Текст задовгий"},
    CatalogText{"error.text_too_long", "A form's text field takes at most 8 KB; upload a longer log as a file.",
                "Текстове поле форми вміщує не більше 8 КБ; довший звіт надішліть файлом."},
    CatalogText{"error.server_title", "Server error", "Помилка сервера"},
    CatalogText{"error.server", "The server failed; nothing was stored. Please try again.",
                "Сталася помилка сервера; нічого не збережено. Будь ласка, спробуйте ще раз."},
};

}  // namespace

std::span<const CatalogText> PageTexts() { return kTexts; }
