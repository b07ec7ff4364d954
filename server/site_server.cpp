#include "server/site_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>

#include "checker/command_values.h"
#include "server/account_pages.h"
#include "server/category_texts.h"
#include "server/check_json.h"
#include "server/committee_desk.h"
#include "server/connection_pool.h"
#include "server/contest_setup.h"
#include "server/crosscheck_job.h"
#include "server/folder_lock.h"
#include "server/http_replies.h"
#include "server/language_switch.h"
#include "server/log_files.h"
#include "server/log_ownership.h"
#include "server/lost_link_requests.h"
#include "server/mail_message.h"
#include "server/mail_queue.h"
#include "server/member_accounts.h"
#include "server/ownership_pages.h"
#include "server/participant_pages.h"
#include "server/rate_limit.h"
#include "server/receipt_mail.h"
#include "server/secrets.h"
#include "server/site_pages.h"
#include "server/site_log.h"
#include "server/site_store.h"
#include "server/text_catalog.h"
#include "server/text_encoding.h"
#include "server/upload_store.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kSessionCookie = "zelk_session";
constexpr std::int64_t kSessionSeconds = 12 * 3600;
// Pages of this site load only its own style sheet; the cross-check's report pages carry their
// style inline. No page runs any script, and none may be framed.
constexpr const char* kSitePolicy =
    "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'";
constexpr const char* kReportPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src 'self'; form-action 'none'; frame-ancestors 'none'; "
    "base-uri 'none'";

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

const char* ContentTypeOf(const std::string& name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".csv")) return "text/csv; charset=utf-8";
    return "text/plain; charset=utf-8";
}

// A file of a run's folder by a name from a request: never a path out of the folder.
std::optional<std::string> RunFile(const fs::path& folder, const std::string& name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        return std::nullopt;
    std::ifstream file(folder / name, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return std::move(bytes).str();
}

// A site's part of a run in the visitor's language; the English one for a run from before the
// parts came in Ukrainian too.
std::optional<std::string> RunPart(const fs::path& folder, const std::string& englishPart, Language language) {
    if (language == Language::ukrainian)
        if (auto part = RunFile(folder, UkrainianPartName(englishPart))) return part;
    return RunFile(folder, englishPart);
}

// The receipt is e-mailed to it: an address a relay takes, or none.
bool PlausibleEmail(const std::string& email) { return email.empty() || IsPlausibleMailAddress(email); }

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// The name a file was sent under, as text for the receipt and the mail: no folders, at most 200 bytes.
std::string OriginalName(const std::string& sent) {
    std::string name = TextAsUtf8(sent);
    if (const std::size_t slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
    std::string plain;
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) plain += c;
    if (plain.size() > 200) plain.resize(200);
    while (!plain.empty() && (static_cast<unsigned char>(plain.back()) & 0xC0) == 0x80) plain.pop_back();
    if (!plain.empty() && static_cast<unsigned char>(plain.back()) >= 0xC0) plain.pop_back();
    return plain;
}

}  // namespace

struct SiteServer::Impl {
    explicit Impl(SiteConfig cfg)
        : config(std::move(cfg)),
          folderLock((fs::create_directories(config.dataDir), config.dataDir)),
          log(config.accessLogFile, config.errorLogFile, config.quietAccessLog),
          store(config.dataDir / "zelk-server.db"),
          files(config.dataDir / "files"),
          uploads(files, store),
          setup(store, config.contest, config.categories, config.categoriesJson),
          job(store, files, config.dataDir / "runs", setup.rules(), setup.categories()),
          ownership(store),
          accounts(store),
          uploadLimiter(config.uploadsPerMinute),
          loginLimiter(config.loginsPerMinute),
          checks(config.checkWorker.empty() ? WorkerBesideThisProgram() : config.checkWorker, config.dataDir / "tmp",
                 config.checks),
          http(config.connections) {
        scratch = config.dataDir / "tmp";
        fs::create_directories(scratch);
        store.failUnfinishedRuns(Now());
        if (!store.setting("deadline"))
            store.setSetting("deadline", std::to_string(config.deadline), "zelk-server", "from the command line");
        if (accounts.members().empty()) makeFirstPassword();
        store.withDatabase([](Database& db) { MailQueue queue(db); });  // its table, before the first upload
        if (!config.smtp.url.empty()) {
            transport = std::make_unique<CurlSmtpTransport>(config.smtp);
            mailWorker = std::make_unique<MailWorker>((config.dataDir / "zelk-server.db").string(), *transport,
                                                      config.mailSender,
                                                      [this](const std::string& line) { log.error("mail: " + line); });
        }
        routes();
    }

    ~Impl() {
        if (mailWorker) mailWorker->stop();  // before the store closes
    }

    void makeFirstPassword() {
        const std::string password = RandomToken(12);
        const fs::path path = config.dataDir / "committee-password.txt";
        fs::remove(path);
        WriteFileDurably(path, password + "\n", 0600);
        store.setPassword(kFirstMember, HashPassword(password));
        store.record("zelk-server", "first committee password made", "written to " + path.string());
        firstPasswordFile = path;
    }

    ContestView contestView(Language language = Language::english) {
        ContestView view;
        view.name = config.contestName;
        const ContestRules rules = setup.rules();
        view.start = FormatMinute(rules.start);
        view.end = FormatMinute(rules.end);
        view.deadline = deadline();
        view.now = Now();
        view.open = view.now < view.deadline || store.setting("reopened").value_or("0") == "1";
        view.maxUploadBytes = config.maxUploadBytes;
        for (const CategoryEntry& entry : categories().entries())
            view.categories.emplace_back(entry.id, categories().name(entry, LanguageCode(language)));
        view.resultsPublished = store.publishedRun().has_value();
        return view;
    }

    const CategoryTable& categories() const { return setup.categories(); }

    bool receivedShowsCounts() { return store.setting("received_counts").value_or("0") == "1"; }

    // The receipt's category: its entry's name, and what in the header's lines maps to no entry.
    void describeCategory(Receipt& receipt, const UploadCheck& check, Language language) const {
        const CategoryEntry* entry = categories().find(receipt.submission.categoryEntry);
        if (entry) receipt.categoryName = categories().name(*entry, LanguageCode(language));
        if (check.categoryLines.empty()) return;
        const CategoryMatch header = MatchHeaderCategory(categories(), check.categoryLines);
        for (const CategoryProblem& problem : header.problems)
            receipt.categoryProblems.push_back(
                Text(entry ? "receipt.category_problem_form" : "receipt.category_problem_choose", language,
                     {{"problem", DescribeCategoryProblem(categories(), problem, language)}}));
    }

    std::int64_t deadline() {
        return ParseNumber(store.setting("deadline").value_or("0"), 0, INT64_MAX).value_or(0);
    }

    std::string clientAddress(const httplib::Request& req) const {
        if (config.behindProxy) {
            std::string forwarded = req.get_header_value("X-Forwarded-For");
            if (const std::size_t comma = forwarded.rfind(','); comma != std::string::npos) forwarded.erase(0, comma + 1);
            while (!forwarded.empty() && forwarded.front() == ' ') forwarded.erase(0, 1);
            if (!forwarded.empty()) return forwarded.substr(0, 64);
        }
        return req.remote_addr;
    }

    bool overTls(const httplib::Request& req) const {
        return config.secureCookies || (config.behindProxy && req.get_header_value("X-Forwarded-Proto") == "https");
    }

    // --- Uploads ---------------------------------------------------------------------------

    // A text given in the language each reader asks for.
    using Said = std::function<std::string(Language)>;
    static Said Saying(std::string key, std::vector<std::pair<std::string, std::string>> values = {}) {
        return [text = LocalText{std::move(key), std::move(values)}](Language language) { return text.in(language); };
    }

    struct UploadOutcome {
        int status = 200;
        std::string refusal, detail;          // in English, for the API
        std::string pageRefusal, pageDetail;  // in the uploader's language, for the page
        UploadCheck check;
        std::optional<Receipt> receipt;
        std::string token;
    };

    UploadOutcome upload(const httplib::Request& req) {
        UploadOutcome outcome;
        const Language language = PageLanguage(req);
        const auto refuse = [&](int status, const Said& reason, const Said& detail) {
            outcome.status = status;
            outcome.refusal = reason(Language::english);
            outcome.detail = detail(Language::english);
            outcome.pageRefusal = reason(language);
            outcome.pageDetail = detail(language);
            return outcome;
        };
        if (!uploadLimiter.allow(clientAddress(req)))
            return refuse(429, Saying("refusal.too_many"), Saying("refusal.too_many_detail"));
        const ContestView contest = contestView(language);
        if (!contest.open)
            return refuse(403, Saying("refusal.closed"),
                          Saying("refusal.closed_detail", {{"deadline", FormatUnixUtc(contest.deadline)}}));
        // The log is read where the request holds it: a copy of a 10 MB upload costs more than its hash.
        const auto logFile = req.files.find("log");
        std::string_view bytes = logFile != req.files.end() ? std::string_view(logFile->second.content) : std::string_view();
        const std::string originalName = logFile != req.files.end() ? OriginalName(logFile->second.filename) : std::string();
        const std::string textField = bytes.empty() ? Field(req, "text") : std::string();
        if (bytes.empty()) bytes = textField;
        if (bytes.empty()) return refuse(400, Saying("refusal.no_log"), Saying("refusal.no_log_detail"));
        if (bytes.size() > config.maxUploadBytes)
            return refuse(413, Saying("refusal.too_large"), [&](Language l) {
                return Text("refusal.too_large_detail", l, {{"size", FormatBytes(config.maxUploadBytes, l)}});
            });
        std::string email = TextAsUtf8(Field(req, "email"));
        while (!email.empty() && (email.back() == ' ' || email.back() == '\r' || email.back() == '\n')) email.pop_back();
        while (!email.empty() && email.front() == ' ') email.erase(0, 1);
        if (!PlausibleEmail(email))
            return refuse(422, Saying("refusal.bad_email"), Saying("refusal.bad_email_detail"));

        CheckAnswer checked = checks.check(bytes, setup.rules());
        if (checked.outcome == CheckAnswer::Outcome::busy)
            return refuse(503, Saying("refusal.busy"), Saying("refusal.busy_detail"));
        if (checked.outcome == CheckAnswer::Outcome::failed) {
            log.error("upload from " + clientAddress(req) + " (" + std::to_string(bytes.size()) + " bytes, SHA-256 " +
                      Sha256Hex(bytes) + ") not stored: " + checked.failure);
            return refuse(422, Saying("refusal.check_failed", {{"reason", checked.failure}}),
                          Saying("refusal.check_failed_detail"));
        }
        outcome.check = std::move(checked.check);
        if (!outcome.check.usable)
            return refuse(422, Saying("refusal.unusable", {{"reason", outcome.check.refusal}}), Saying("refusal.mend_detail"));
        const auto proof = ownership.checkReceipt(Field(req, "receipt"), outcome.check.ownCall);
        if (proof.proof == LogOwnership::Proof::unknownReceipt)
            return refuse(403, Saying("refusal.unknown_receipt"), Saying("refusal.unknown_receipt_detail"));
        if (proof.proof == LogOwnership::Proof::otherCall)
            return refuse(422,
                          Saying("refusal.other_call", {{"receipt_call", proof.receiptCall}, {"call", outcome.check.ownCall}}),
                          Saying("refusal.other_call_detail"));

        Submission submission;
        submission.call = outcome.check.ownCall;
        submission.category = outcome.check.category;
        submission.format = outcome.check.formatName;
        submission.email = email;
        submission.size = static_cast<std::int64_t>(bytes.size());
        submission.receivedAt = Now();
        submission.qsosRead = static_cast<std::int64_t>(outcome.check.qsosRead);
        submission.qsosScored = static_cast<std::int64_t>(outcome.check.qsosScored);
        submission.claimedScore = outcome.check.claimedScore;
        submission.address = clientAddress(req);
        submission.originalName = originalName;
        const CategoryMatch category = ResolveCategory(categories(), outcome.check.categoryLines, Field(req, "category"));
        for (const CategoryProblem& problem : category.problems)
            if (problem.kind == CategoryProblem::Kind::notOffered)
                return refuse(422, [&](Language l) { return DescribeCategoryProblem(categories(), problem, l); },
                              Saying("refusal.category_detail"));
        submission.categoryEntry = category.entry ? category.entry->id : std::string();
        if (category.source == CategorySource::form)  // the header's lack of one no longer matters
            std::erase_if(outcome.check.warnings, [](const std::string& w) { return w.starts_with("The log names no category"); });
        submission.checkJson = CheckJson(outcome.check).dump();
        submission.language = std::string(LanguageCode(language));
        outcome.token = RandomToken();
        const std::string link = publicBase(req) + "/receipt/" + outcome.token;
        const auto queueReceiptMail = [&](Database& db, const Submission& stored) {
            if (stored.email.empty()) return;
            MailQueue(db).enqueue(ComposeReceiptMail(receiptMailFacts(stored, outcome.check, link, bytes, contest, language), language),
                                  Now(), config.mailSender.fromAddress);
        };
        const auto replaced = storeDurably(bytes, submission, Sha256Hex(outcome.token),
                                           proof.proof == LogOwnership::Proof::owner, queueReceiptMail);
        if (!replaced) return refuse(503, Saying("refusal.not_stored"), Saying("refusal.not_stored_detail"));
        if (mailWorker && !submission.email.empty()) mailWorker->wake();
        outcome.status = submission.state == SubmissionState::pending ? 202 : 201;
        outcome.receipt = Receipt{submission, "/receipt/" + outcome.token, link, *replaced, false, std::nullopt};
        describeCategory(*outcome.receipt, outcome.check, language);
        return outcome;
    }

    // The file on disk, then the commit that acknowledges it; a failure's cause goes to the error log.
    std::optional<std::optional<std::int64_t>> storeDurably(std::string_view bytes, Submission& submission,
                                                            const std::string& receiptHash, bool fromOwner,
                                                            const SiteStore::InTransaction& alsoInTransaction) {
        std::string failure;
        auto replaced = uploads.store(bytes, submission, receiptHash, fromOwner, alsoInTransaction, failure);
        if (!replaced) log.error("upload of " + submission.call + " from " + submission.address + " not stored: " + failure);
        return replaced;
    }

    // "https://logs.example.org": the committee's --public-url, else what the request was sent to.
    std::string publicBase(const httplib::Request& req) const {
        std::string base = config.publicUrl;
        if (base.empty()) {
            std::string host = req.get_header_value("Host");
            if (host.empty() || host.size() > 255 || host.find_first_of(" /\\\"<>\r\n\t@") != std::string::npos)
                host = "localhost";
            base = std::string(overTls(req) ? "https://" : "http://") + host;
        }
        while (!base.empty() && base.back() == '/') base.pop_back();
        return base;
    }

    ReceiptMailFacts receiptMailFacts(const Submission& s, const UploadCheck& check, const std::string& link,
                                      std::string_view bytes, const ContestView& contest, Language language) const {
        ReceiptMailFacts facts;
        facts.contest = config.contestName;
        facts.to = s.email;
        facts.call = s.call;
        facts.categoryName = s.categoryEntry.empty() ? std::string() : CategoryName(categories(), categories().find(s.categoryEntry), language);
        facts.link = link;
        facts.number = s.id;
        facts.receivedAt = s.receivedAt;
        if (contest.deadline > 0) facts.deadline = contest.deadline;
        facts.sha256 = s.sha256;
        facts.summaryLines = LinesOf(check.summary);
        for (const std::string& warning : check.warnings) facts.findings.push_back(warning);
        for (const Finding& finding : check.findings)
            facts.findings.push_back(finding.line ? Text("receipt_mail.finding_line", language,
                                                         {{"line", std::to_string(finding.line)}, {"finding", finding.message}})
                                                  : finding.message);
        facts.log = bytes;
        facts.fileName = s.originalName;
        return facts;
    }

    // The "lost my receipt link" form: each address on file for the call gets fresh links to the
    // receipts of the uploads made with it. The answer never tells whether the call sent a log.
    std::string lostLink(const httplib::Request& req) {
        const Language language = PageLanguage(req);
        const std::string base = publicBase(req);
        const auto receiptsOf = [&](const std::string& call) {
            std::vector<ReceiptOnFile> receipts;
            for (const Submission& s : store.historyOf(call)) {
                if (s.email.empty()) continue;
                const std::string secret = RandomToken();
                store.addReceiptLink(s.id, Sha256Hex(secret));
                receipts.push_back({s.email, base + "/receipt/" + secret, s.id, s.receivedAt});
            }
            return receipts;
        };
        bool queued = false;
        const auto sendLinks = [&](const std::string& call, const std::string& email, const std::vector<ReceiptOnFile>& receipts) {
            store.withDatabase([&](Database& db) {
                MailQueue(db).enqueue(ComposeLostLinksMail(config.contestName, call, email, receipts, language), Now(),
                                      config.mailSender.fromAddress);
            });
            queued = true;
        };
        const std::string field = Field(req, "call");
        LostLinkAnswer answer = LostLinkAnswer::tryLater;
        try {
            answer = HandleLostLinkRequest(field, clientAddress(req), Now(), lostLinkThrottle, receiptsOf, sendLinks);
        } catch (const std::exception& failure) {
            log.error("lost-link request from " + clientAddress(req) + " failed: " + failure.what());
        }
        if (queued && mailWorker) mailWorker->wake();
        const std::string call = NormalizedCall(field);
        return answer == LostLinkAnswer::sentIfKnown
                   ? Text("lost_link.sent_if_known", language, {{"call", call.empty() ? field.substr(0, 20) : call}})
                   : Text("lost_link.try_later", language);
    }

    std::map<std::string, std::string> categoryNames(Language language = Language::english) const {
        std::map<std::string, std::string> names;
        for (const CategoryEntry& entry : categories().entries()) names[entry.id] = categories().name(entry, LanguageCode(language));
        return names;
    }

    std::optional<Receipt> receiptOf(const std::string& token, const httplib::Request& req,
                                     Language language = Language::english) {
        if (token.size() != 64 || token.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
        auto submission = store.submissionByReceipt(Sha256Hex(token));
        if (!submission) return std::nullopt;
        Receipt receipt{*submission, "/receipt/" + token, publicBase(req) + "/receipt/" + token, std::nullopt,
                        submission->replacedBy.has_value(), std::nullopt};
        for (const Submission& earlier : store.historyOf(submission->call)) {
            if (earlier.replacedBy == submission->id) receipt.replaced = earlier.id;
            receipt.pendingOfCall += earlier.state == SubmissionState::pending;
        }
        if (auto published = store.publishedRun())
            if (store.runPage(published->id, submission->id)) receipt.ubnLink = receipt.link + "/ubn";
        describeCategory(receipt, CheckOfJson(submission->checkJson), language);
        return receipt;
    }

    json receiptJson(const Receipt& receipt, const UploadCheck& check) {
        const Submission& s = receipt.submission;
        return {{"submission", s.id},
                {"received", FormatUnixUtc(s.receivedAt)},
                {"receivedAt", s.receivedAt},
                {"call", s.call},
                {"category", s.category},
                {"categoryId", s.categoryEntry},
                {"categoryName", receipt.categoryName},
                {"categoryProblems", receipt.categoryProblems},
                {"sha256", s.sha256},
                {"size", s.size},
                {"qsos", s.qsosRead},
                {"claimedScore", s.claimedScore},
                {"receipt", receipt.link},
                {"receiptUrl", receipt.fullLink},
                {"fileName", s.originalName},
                {"email", s.email},
                {"qsosScored", s.qsosScored},
                {"deadline", FormatUnixUtc(deadline())},
                {"replaces", receipt.replaced ? json(*receipt.replaced) : json(nullptr)},
                {"replacedBy", s.replacedBy ? json(*s.replacedBy) : json(nullptr)},
                {"ubnReport", receipt.ubnLink ? json(*receipt.ubnLink) : json(nullptr)},
                {"state", SubmissionStateName(s.state)},
                {"counts", s.state == SubmissionState::counted},
                {"notice", SubmissionStateNotice(s)},
                {"pendingUploadsOfCall", receipt.pendingOfCall},
                {"check", CheckJson(check)}};
    }

    void serveRunFile(std::int64_t runId, const std::string& name, httplib::Response& res) {
        auto content = RunFile(job.folderOf(runId), name);
        if (!content) return SendHtml(res, 404, MessagePage("Not found", "There is no such report."));
        res.set_header("Content-Security-Policy", kReportPolicy);
        res.set_content(*content, ContentTypeOf(name));
    }

    // The frame of a participant's page: the visitor's language, the page's path for the switch.
    static PageFrame FrameOf(const httplib::Request& req, std::string path = {}) {
        return PageFrame{PageLanguage(req), LocalPathOr(path.empty() ? req.path : path)};
    }

    // The published results in the site's frame, the CSV as written, each log's report only when
    // the reports are public; the run's own files (results.html, the site's parts) never directly.
    void serveResults(const httplib::Request& req, httplib::Response& res) {
        const PageFrame frame = FrameOf(req, "/results/");
        const Language language = frame.language;
        const auto published = store.publishedRun();
        if (!published) return SendHtml(res, 404, NoResultsPage(frame));
        const std::string name = req.matches[1];
        if (name.empty() || name == "results.html") {
            const auto tables = RunPart(job.folderOf(published->id),
                                        config.publicUbnReports ? kSiteResultsLinked : kSiteResultsPlain, language);
            if (!tables) return serveRunFile(published->id, "results.html", res);  // a run from before the site's parts
            return SendHtml(res, 200, ResultsPage(*tables, published->publishedAt, config.publicUbnReports, frame));
        }
        if (name == "results.csv") return serveRunFile(published->id, name, res);
        if (!config.publicUbnReports || name.ends_with(".part"))
            return SendHtml(res, 404, MessagePage(Text("results.not_public_title", language),
                                                  Text("results.reports_private", language), frame));
        if (!RunFile(job.folderOf(published->id), name))
            return SendHtml(res, 404, MessagePage(Text("error.not_found_title", language), Text("results.not_found", language), frame));
        if (name.ends_with(".html")) {
            const std::string page = name.substr(0, name.size() - 5);
            return serveReport(published->id, page, page, page + ".ubn.txt", FrameOf(req), res);
        }
        serveRunFile(published->id, name, res);
    }

    // A log's report in the site's frame; as the cross-check wrote it for a run from before the site's parts.
    void serveReport(std::int64_t runId, const std::string& page, const std::string& call, const std::string& textLink,
                     const PageFrame& frame, httplib::Response& res) {
        const auto sections = RunPart(job.folderOf(runId), page + kSiteReportSuffix, frame.language);
        if (!sections) return serveRunFile(runId, page + ".html", res);
        SendHtml(res, 200, ReportPage(call, *sections, textLink, frame));
    }

    void routes();
    CommitteeDesk::Parts deskParts();

    SiteConfig config;
    FolderLock folderLock;
    SiteLog log;
    SiteStore store;
    LogFiles files;
    UploadStore uploads;
    ContestSetup setup;
    CrossCheckJob job;
    LogOwnership ownership;
    MemberAccounts accounts;
    RateLimiter uploadLimiter;
    RateLimiter loginLimiter;
    CheckRunner checks;
    fs::path scratch;
    fs::path firstPasswordFile;
    std::unique_ptr<CurlSmtpTransport> transport;  // the relay's, when one is named
    std::unique_ptr<MailWorker> mailWorker;
    LostLinkThrottle lostLinkThrottle;
    GuardedHttpServer http;
    CommitteeDesk desk{deskParts()};
};

CommitteeDesk::Parts SiteServer::Impl::deskParts() {
    return {store,
            files,
            job,
            ownership,
            accounts,
            loginLimiter,
            kSessionCookie,
            kSessionSeconds,
            [this] { return contestView(); },
            [this](const httplib::Request& req) { return clientAddress(req); },
            [this](const httplib::Request& req) { return overTls(req); },
            [this] { return receivedShowsCounts(); },
            [this](std::int64_t runId, const std::string& name, httplib::Response& res) { serveRunFile(runId, name, res); },
            [this] { return mailWorker.get(); },
            setup,
            config.contestName,
            config.mailSender.fromAddress};
}

void SiteServer::Impl::routes() {
    const int threads = config.threads;
    http.new_task_queue = [threads] { return new ConnectionPool(static_cast<std::size_t>(threads)); };
    // Multipart framing on top of the largest log taken; the log itself is held to the limit.
    http.set_payload_max_length(config.maxUploadBytes + 64 * 1024);
    http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        const auto took = std::chrono::steady_clock::now() - GuardedHttpServer::RequestStarted();
        log.access(clientAddress(req), req.method, req.path, res.status, res.body.size(),
                   std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
    });
    http.onRefused([this](const std::string& address) { log.access(address, "-", "(too many connections)", 503, 0, 0); });

    http.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.has_header("Content-Security-Policy")) res.set_header("Content-Security-Policy", kSitePolicy);
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("X-Frame-Options", "DENY");
        res.set_header("Referrer-Policy", "no-referrer");
        if (!res.has_header("Cache-Control")) res.set_header("Cache-Control", "no-store");
    });
    http.set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        const int status = res.status;
        const auto page = [&](Language language) {
            std::string title = "error.title", text = Text("error.text", language);
            if (status == 404) title = "error.not_found_title", text = Text("error.not_found", language);
            if (status == 413)
                title = "error.file_too_large_title",
                text = Text("error.file_too_large", language, {{"size", FormatBytes(config.maxUploadBytes, language)}});
            if (status == 413 && req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded"))
                title = "error.text_too_long_title", text = Text("error.text_too_long", language);
            return std::pair(Text(title, language), text);
        };
        if (IsApi(req)) return SendJson(res, status, {{"error", page(Language::english).second}});
        const PageFrame frame = FrameOf(req, status == 404 ? "/" : req.path);
        const auto [title, text] = page(frame.language);
        SendHtml(res, status, MessagePage(title, text, frame));
    });
    http.set_exception_handler([this](const httplib::Request& req, httplib::Response& res, std::exception_ptr failure) {
        std::string cause = "an unknown exception";
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            cause = error.what();
        } catch (...) {
        }
        log.error(req.method + " " + MaskedPath(req.path) + " from " + clientAddress(req) + " failed: " + cause);
        if (IsApi(req)) return SendJson(res, 500, {{"error", "the server failed; nothing was stored"}});
        const PageFrame frame = FrameOf(req, "/");
        SendHtml(res, 500, MessagePage(Text("error.server_title", frame.language), Text("error.server", frame.language), frame));
    });

    http.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "max-age=3600");
        res.set_content(kStyleSheet, "text/css");
    });
    AddLanguageRoutes(http, [this](const httplib::Request& req) { return overTls(req); });
    http.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        const PageFrame frame = FrameOf(req);
        SendHtml(res, 200, ContestPage(contestView(frame.language), frame));
    });

    http.Post("/upload", [this](const httplib::Request& req, httplib::Response& res) {
        UploadOutcome outcome = upload(req);
        if (!outcome.receipt)
            return SendHtml(res, outcome.status, RefusalPage(outcome.pageRefusal, outcome.pageDetail, FrameOf(req, "/")));
        const PageFrame frame = FrameOf(req, outcome.receipt->link);
        SendHtml(res, outcome.status, ReceiptPage(contestView(frame.language), *outcome.receipt, outcome.check, true, frame));
    });
    http.Post("/api/logs", [this](const httplib::Request& req, httplib::Response& res) {
        UploadOutcome outcome = upload(req);
        if (!outcome.receipt) {
            json body = {{"error", outcome.refusal}, {"detail", outcome.detail}};
            if (!outcome.check.refusal.empty()) body["reasons"] = json::array({outcome.check.refusal});
            return SendJson(res, outcome.status, body);
        }
        SendJson(res, outcome.status, receiptJson(*outcome.receipt, outcome.check));
    });

    http.Get(R"(/receipt/([0-9a-f]+))", [this](const httplib::Request& req, httplib::Response& res) {
        const PageFrame frame = FrameOf(req);
        auto receipt = receiptOf(req.matches[1], req, frame.language);
        if (!receipt)
            return SendHtml(res, 404, MessagePage(Text("receipt.not_found_title", frame.language),
                                                  Text("receipt.not_found", frame.language), FrameOf(req, "/")));
        SendHtml(res, 200, ReceiptPage(contestView(frame.language), *receipt, CheckOfJson(receipt->submission.checkJson),
                                       false, frame));
    });
    http.Get(R"(/receipt/([0-9a-f]+)/ubn(\.txt)?)", [this](const httplib::Request& req, httplib::Response& res) {
        auto receipt = receiptOf(req.matches[1], req);
        auto published = store.publishedRun();
        std::optional<std::string> page;
        if (receipt && published) page = store.runPage(published->id, receipt->submission.id);
        if (!page) {
            const PageFrame frame = FrameOf(req, "/");
            return SendHtml(res, 404, MessagePage(Text("results.no_report_title", frame.language),
                                                  Text("results.no_report", frame.language), frame));
        }
        if (req.matches[2].length() > 0) return serveRunFile(published->id, *page + ".ubn.txt", res);
        serveReport(published->id, *page, receipt->submission.call, receipt->link + "/ubn.txt", FrameOf(req), res);
    });
    http.Get(R"(/receipt/([0-9a-f]+)/results\.html)",
             [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/results/", 303); });
    http.Get("/api/receipts/([0-9a-f]+)", [this](const httplib::Request& req, httplib::Response& res) {
        auto receipt = receiptOf(req.matches[1], req);
        if (!receipt) return SendJson(res, 404, {{"error", "no such receipt"}});
        SendJson(res, 200, receiptJson(*receipt, CheckOfJson(receipt->submission.checkJson)));
    });

    http.Get("/lost-link", [this](const httplib::Request& req, httplib::Response& res) {
        SendHtml(res, 200, LostLinkPage({}, FrameOf(req)));
    });
    http.Post("/lost-link", [this](const httplib::Request& req, httplib::Response& res) {
        SendHtml(res, 200, LostLinkPage(lostLink(req), FrameOf(req)));
    });
    http.Get("/received", [this](const httplib::Request& req, httplib::Response& res) {
        const PageFrame frame = FrameOf(req);
        SendHtml(res, 200, ReceivedPage(contestView(frame.language), store.activeSubmissions(),
                                        categoryNames(frame.language), receivedShowsCounts(), frame));
    });
    http.Get("/api/received", [this](const httplib::Request&, httplib::Response& res) {
        json logs = json::array();
        const auto names = categoryNames();
        const bool counts = receivedShowsCounts();
        for (const Submission& s : store.activeSubmissions()) {
            const auto name = names.find(s.categoryEntry);
            json entry = {{"call", s.call},
                          {"categoryId", s.categoryEntry},
                          {"category", name != names.end() ? json(name->second) : json(nullptr)},
                          {"lastUpload", FormatUnixUtc(s.receivedAt)}};
            if (counts) {
                entry["qsos"] = s.qsosRead;
                entry["claimedScore"] = s.claimedScore;
            }
            logs.push_back(std::move(entry));
        }
        SendJson(res, 200, {{"logs", logs}});
    });

    http.Get("/results", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/results/", 301); });
    http.Get(R"(/results/([^/]*))", [this](const httplib::Request& req, httplib::Response& res) { serveResults(req, res); });

    desk.addRoutes(http);
}

SiteServer::SiteServer(SiteConfig config) : m_impl(std::make_unique<Impl>(std::move(config))) {}

SiteServer::~SiteServer() {
    stop();
    m_impl->job.wait();
}

int SiteServer::bind(const std::string& host, int port) {
    const int bound = port == 0 ? m_impl->http.bind_to_any_port(host) : m_impl->http.bind_to_port(host, port) ? port : -1;
    if (bound > 0) m_impl->http.widenBacklog();
    return bound;
}

bool SiteServer::run() { return m_impl->http.listen_after_bind(); }
void SiteServer::stop() { m_impl->http.stop(); }
const fs::path& SiteServer::firstPasswordFile() const { return m_impl->firstPasswordFile; }
SiteStore& SiteServer::store() { return m_impl->store; }
