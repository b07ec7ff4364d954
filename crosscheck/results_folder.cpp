#include "crosscheck/results_folder.h"

#include "crosscheck/checks_csv.h"
#include "crosscheck/output_folder.h"
#include "crosscheck/results_pages.h"
#include "crosscheck/ubn_report.h"

bool WriteResultsFolder(const std::filesystem::path& folder, const CrossCheckRun& run, const MatchRules& rules,
                        std::string& error, const std::function<void(std::size_t, std::size_t)>& progress) {
    const auto writeFiles = [&](const FolderFileWriter& write) {
        for (std::size_t i = 0; i < run.results.size(); ++i) {
            if (progress) progress(i, run.results.size());
            const LogResult& result = run.results[i];
            if (!write(result.pageName + ".ubn.txt", UbnText(run, result, rules)) ||
                !write(result.pageName + ".html", UbnHtml(run, result, rules)))
                return false;
        }
        if (!write("checks.csv", ChecksCsvHeading())) return false;
        for (const LogResult& result : run.results)
            if (!write("checks.csv", ChecksCsvRows(run, result))) return false;
        return write("results.html", ResultsHtml(run, rules)) && write("results.csv", ResultsCsv(run, rules));
    };
    return ReplaceOutputFolder(folder, writeFiles, error);
}
