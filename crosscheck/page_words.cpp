#include "crosscheck/page_words.h"

#include <vector>

const PageWords& PageWords::English() {
    static const PageWords words{
        .logsChecked = "{1} logs checked against each other, {2} QSOs.",
        .periodAndWindow = "Contest period {1} to {2} UTC. Two records of a QSO match within {3} minutes",
        .bustedCallRule = "; a call one slip from the station that logged the QSO is a busted call",
        .nilCostsPenalty = "; a not-in-log QSO costs its own and {1} more QSO points",
        .nilCostsItsPoints = "; a not-in-log QSO costs its points",
        .uniquesLoseCredit = "; uniques lose their credit.",
        .uniquesKeepCredit = "; uniques keep their credit.",
        .noCategory = "Category not given",
        .rank = "Rank",
        .call = "Call",
        .report = "Report",
        .reportPage = "page",
        .reportText = "text",
        .figureNames = {"QSOs claimed", "QSOs checked", "Multipliers claimed", "Multipliers checked",
                        "Claimed score", "Checked score", "Error rate %", "NIL", "Busted calls",
                        "Busted exchanges", "Uniques"},
        .logsNotScored = "Logs not scored",
        .file = "File",
        .reason = "Reason",
        .logFile = "Log file: {1} ({2}), {3} QSOs read, {4} {5} skipped\n",
        .lineOne = "line",
        .lineMany = "lines",
        .ownCallFromFileName = "The log names no own call; {1} is taken from the file name.\n",
        .category = "Category: {1}\n",
        .nilPenalty = "Not-in-log penalty: {1} x {2} QSO points; checked score {3}\n",
        .notInLog = "Not in log",
        .bustedCalls = "Busted calls",
        .bustedExchanges = "Busted exchanges",
        .uniques = "Uniques",
        .notCheckable = "Not checkable (the station sent no log, others logged it too)",
        .dupes = "Repeats of a confirmed QSO (the plug-in's dupe rule applies)",
        .rejected = "Outside the contest (band, mode or a missing exchange: the plug-in rejects them)",
        .outsidePeriod = "Outside the contest period",
        .removedWithPenalty = "removed, and {1} more QSO points taken for each",
        .notChecked = "not checked",
        .counted = "counted",
        .removed = "removed from the checked score",
        .loggedCorrect = "logged {1} -> correct {2} ({3})",
        .receivedSent = "received {1}, {2} sent {3}",
        .sentReceived = "sent {1}, received {2}",
        .qsosPerHour = "QSOs per hour and band",
        .claimedScore = "Claimed score",
        .checkedScore = "Checked score",
        .line = "Line",
        .time = "Time",
        .band = "Band",
        .mode = "Mode",
        .skippedLines = "Skipped lines: {1}",
    };
    return words;
}

const PageWords& PageWords::Ukrainian() {
    static const PageWords words{
        .logsChecked = "Звітів, перевірених один з одним: {1}; QSO: {2}.",
        .periodAndWindow = "Період змагань: {1} – {2} UTC. Два записи одного QSO збігаються, якщо їхній час "
                           "різниться не більше ніж на {3} хв",
        .bustedCallRule = "; позивний, що однією помилкою відрізняється від позивного станції, яка записала QSO, "
                          "вважається помилковим",
        .nilCostsPenalty = "; за QSO, якого немає у звіті кореспондента (NIL), знімаються його очки і ще {1} "
                           "штрафних очок",
        .nilCostsItsPoints = "; за QSO, якого немає у звіті кореспондента (NIL), знімаються його очки",
        .uniquesLoseCredit = "; унікальні QSO не зараховуються.",
        .uniquesKeepCredit = "; унікальні QSO зараховуються.",
        .noCategory = "Категорію не вказано",
        .rank = "Місце",
        .call = "Позивний",
        .report = "Звіт",
        .reportPage = "сторінка",
        .reportText = "текст",
        .figureNames = {"QSO заявлено", "QSO зараховано", "Множників заявлено", "Множників зараховано",
                        "Заявлений результат", "Перевірений результат", "Частка помилок, %", "NIL",
                        "Помилкові позивні", "Помилкові контрольні номери", "Унікальні"},
        .logsNotScored = "Звіти, які не вдалося оцінити",
        .file = "Файл",
        .reason = "Причина",
        .logFile = "Файл звіту: {1} ({2}), прочитано QSO: {3}, пропущено рядків: {4}\n",
        .lineOne = "",
        .lineMany = "",
        .ownCallFromFileName = "У звіті не вказано власного позивного; {1} взято з назви файлу.\n",
        .category = "Категорія: {1}\n",
        .nilPenalty = "Штраф за NIL: {1} x {2} очок; перевірений результат {3}\n",
        .notInLog = "Немає у звіті кореспондента (NIL)",
        .bustedCalls = "Помилкові позивні",
        .bustedExchanges = "Помилкові контрольні номери",
        .uniques = "Унікальні",
        .notCheckable = "Неможливо перевірити (станція не надіслала звіту, її записали й інші учасники)",
        .dupes = "Повтори підтвердженого QSO (діє правило повторів модуля статистики)",
        .rejected = "Поза змаганнями (діапазон, вид роботи чи відсутній контрольний номер: модуль їх "
                    "відкидає)",
        .outsidePeriod = "Поза періодом змагань",
        .removedWithPenalty = "знято, і за кожне ще {1} штрафних очок",
        .notChecked = "не перевіряються",
        .counted = "зараховано",
        .removed = "знято з перевіреного результату",
        .loggedCorrect = "записано {1} -> правильно {2} ({3})",
        .receivedSent = "прийнято {1}, {2} передав {3}",
        .sentReceived = "передано {1}, прийнято {2}",
        .qsosPerHour = "QSO по годинах і діапазонах",
        .claimedScore = "Заявлений результат",
        .checkedScore = "Перевірений результат",
        .line = "Рядок",
        .time = "Час",
        .band = "Діапазон",
        .mode = "Вид роботи",
        .skippedLines = "Пропущені рядки: {1}",
    };
    return words;
}

std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> values) {
    const std::vector<std::string_view> given(values);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9';
        if (!placeholder) {
            text += pattern[i];
            continue;
        }
        if (const std::size_t index = pattern[i + 1] - '1'; index < given.size()) text += given[index];
        i += 2;
    }
    return text;
}
