// The texts of the site's mail, its language switch and its categories in English and Ukrainian.
// Keys are grouped by where the text appears; every key has both languages and the same
// placeholders in each (the catalog's test checks this).
#include "server/text_catalog.h"

#include <array>
#include <vector>

namespace {

constexpr std::array kTexts = {
    // The language switch.
    CatalogText{"language.name", "English", "Українська"},
    CatalogText{"language.switch", "Українською", "In English"},

    // The receipt e-mail.
    CatalogText{"receipt_mail.subject", "{contest}: log of {call} received, receipt No. {number}",
                "{contest}: звіт {call} отримано, квитанція № {number}"},
    CatalogText{"receipt_mail.greeting", "Your log for the {contest} contest was received.",
                "Ваш звіт на змагання {contest} отримано."},
    CatalogText{"receipt_mail.call", "Call: {call}", "Позивний: {call}"},
    CatalogText{"receipt_mail.category", "Category: {category}", "Категорія: {category}"},
    CatalogText{"receipt_mail.number", "Receipt number: {number}", "Номер квитанції: {number}"},
    CatalogText{"receipt_mail.received", "Received: {time}", "Отримано: {time}"},
    CatalogText{"receipt_mail.file", "File: {file} ({size} bytes)", "Файл: {file} ({size} байтів)"},
    CatalogText{"receipt_mail.sha256", "SHA-256 of the file: {sha256}", "SHA-256 файлу: {sha256}"},
    CatalogText{"receipt_mail.deadline", "Deadline for logs: {deadline}", "Кінцевий термін подання звітів: {deadline}"},
    CatalogText{"receipt_mail.link",
                "Your receipt, where you can also send a corrected log until the deadline:\n{link}",
                "Ваша квитанція, де до кінцевого терміну можна також надіслати виправлений звіт:\n{link}"},
    CatalogText{"receipt_mail.finding_line", "line {line}: {finding}", "рядок {line}: {finding}"},
    CatalogText{"receipt_mail.summary", "Summary of the check:", "Підсумок перевірки:"},
    CatalogText{"receipt_mail.findings", "Findings ({count}):", "Зауваження ({count}):"},
    CatalogText{"receipt_mail.no_findings", "The check found nothing to remark.", "Перевірка не виявила зауважень."},
    CatalogText{"receipt_mail.more_findings", "... and {count} more (all of them on the receipt page).",
                "... і ще {count} (усі на сторінці квитанції)."},
    CatalogText{"receipt_mail.attached",
                "Your log is attached as you sent it. Keep this message: it is your proof of sending.",
                "Ваш звіт додано до листа в тому вигляді, в якому ви його надіслали. Збережіть цей лист: це "
                "підтвердження надсилання."},
    CatalogText{"mail.signature", "{contest} contest committee", "Суддівська колегія змагань {contest}"},
    CatalogText{"mail.automatic", "This message was sent automatically; please do not reply to it.",
                "Цей лист надіслано автоматично, будь ласка, не відповідайте на нього."},

    // The lost-link e-mail.
    CatalogText{"lost_link_mail.subject", "{contest}: your receipt links for {call}",
                "{contest}: посилання на ваші квитанції для {call}"},
    CatalogText{"lost_link_mail.intro",
                "The receipt links of the logs sent for {call} with this e-mail address were asked for on the "
                "contest's site:",
                "На сайті змагань запитано посилання на квитанції звітів, надісланих для {call} з цією адресою "
                "електронної пошти:"},
    CatalogText{"lost_link_mail.receipt", "No. {number}, received {time}:\n{link}", "№ {number}, отримано {time}:\n{link}"},
    CatalogText{"lost_link_mail.not_you", "If you did not ask for them, you can ignore this message.",
                "Якщо ви їх не запитували, просто не зважайте на цей лист."},
    // The lost-link form's two answers.
    CatalogText{"lost_link.sent_if_known",
                "If logs for {call} were received, their receipt links are on the way to the e-mail addresses given "
                "with them.",
                "Якщо звіти для {call} надходили, посилання на їхні квитанції надіслано на адреси електронної пошти, "
                "вказані під час надсилання."},
    CatalogText{"lost_link.try_later", "Too many requests. Please try again in an hour.",
                "Забагато запитів. Будь ласка, спробуйте ще раз за годину."},

    // Categories: the form and what the header's category lines gave.
    CatalogText{"category.label", "Category", "Категорія"},
    CatalogText{"category.choose", "Choose your category", "Оберіть категорію"},
    CatalogText{"category.none", "not given", "не вказано"},
    CatalogText{"category.from_header", "Taken from your log's header.", "Взято із заголовка вашого звіту."},
    CatalogText{"category.from_form", "Chosen on the form.", "Обрано у формі."},
    CatalogText{"category.unknown_value", "{line}: \"{value}\" is not a category of this contest.",
                "{line}: «{value}» не є категорією цих змагань."},
    CatalogText{"category.unknown_tag", "{line}: \"{value}\" is not a category header.",
                "{line}: «{value}» не є заголовком категорії."},
    CatalogText{"category.conflict", "{line}: \"{value}\" contradicts \"{other}\" given before.",
                "{line}: «{value}» суперечить раніше вказаному «{other}»."},
    CatalogText{"category.missing", "The header does not give the {dimension}.", "У заголовку не вказано: {dimension}."},
    CatalogText{"category.no_entry", "The header's category ({values}) is none of this contest's categories.",
                "Категорія із заголовка ({values}) не належить до категорій цих змагань."},
    CatalogText{"category.not_offered", "\"{value}\" is not one of this contest's categories.",
                "«{value}» не належить до категорій цих змагань."},
    CatalogText{"category.too_many_lines", "Only the first {count} category lines were read.",
                "Прочитано лише перші {count} рядків категорії."},
};

}  // namespace

std::span<const CatalogText> SiteTexts() {
    static const std::vector<CatalogText> all = [] {
        std::vector<CatalogText> texts(kTexts.begin(), kTexts.end());
        const std::span<const CatalogText> pages = PageTexts();
        texts.insert(texts.end(), pages.begin(), pages.end());
        return texts;
    }();
    return all;
}
