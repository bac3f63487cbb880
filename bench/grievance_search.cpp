// Finding a grievance again on a small (10,000) and a large (1,000,000)
// history, through the client's own search, every kind a help desk uses: by
// number, mobile as typed (with a blank), e-mail, a word of the message, a
// student's name (two words), a common phrase, a two-letter word, a word
// found nowhere, words with a quote, backslashes, an underscore, a percent
// sign, and a word in Tamil; the overdue filter alone and with a word, two
// common words or a mobile; the two histories take turns. Prints each
// median and answer size, the slowest search by text at 1M (worst_ms_1m=),
// the slowest with the overdue filter (worst_overdue_ms_1m=) and the ratio of
// the slowest at 1M to the slowest at 10k among the searches by text whose
// answer has the same size on both (ratio=). Also what the indexes cost: building the
// full-text index on a full table, and the portal's single-row inserts with
// and without them.
//
// Replaces corvane3_tkt.tkthead: run it through scripts/bench, which gives it
// a private server. Argument: rounds of ten searches of each kind (default 10).

#include "bench.h"
#include "core/desk/search.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const QString kFullText = QStringLiteral("ft_tkthead_text");

const char *const kFirst[] = {
        "Anitha", "Manoj",   "Karthik", "Swathi",  "Kiran",    "Ganesh",  "Naveen", "Sneha",   "Ravi",
        "Aarav",  "Lakshmi", "Revathi", "Pooja",   "Nandini",  "Divya",   "Deepa",  "Arjun",   "Priya",
        "Vikram", "Meena",   "Suresh",  "Kavitha", "Rahul",    "Sanjana", "Harish", "Keerthi", "Ajay",
        "Bhavya", "Chitra",  "Dinesh",  "Fathima", "Gokul",    "Hema",    "Imran",  "Janani",  "Kamal",
        "Latha",  "Mohan",   "Nisha",   "Omkar",   "Pavithra", "Rajesh",  "Sowmya", "Tarun",   "Uma",
        "Varun",  "Yamini",  "Zoya",    "Abdul",   "Bala",     "Charan",  "Durga",  "Elango",  "Farhan",
        "Geetha", "Hari",    "Indu",    "Jagan",   "Kala",     "Madhu",   "Nithin", "Prakash", "Ramya",
        "Sathya", "Thara",   "Vasanth", "Anand",   "Banu",     "Chandra", "Devi",   "Eshwar",  "Gayathri"};
const char *const kLast[] = {
        "Raman",    "Nair",   "Rao",      "Das",         "Varma",      "Reddy",    "Kumar",    "Shetty",
        "Menon",    "Iyer",   "Bose",     "Pillai",      "Naidu",      "Gowda",    "Joshi",    "Kulkarni",
        "Patil",    "Hegde",  "Bhat",     "Kamath",      "Prabhu",     "Shenoy",   "Mishra",   "Sharma",
        "Verma",    "Gupta",  "Singh",    "Yadav",       "Khan",       "Ansari",   "Thomas",   "George",
        "Mathew",   "Jacob",  "Francis",  "Fernandes",   "Sequeira",   "Chettiar", "Mudaliar", "Gounder",
        "Nadar",    "Thevar", "Krishnan", "Subramanian", "Venkatesan", "Ramasamy", "Murugan",  "Selvam",
        "Arumugam", "Balaji"};
const char *const kCourse[] = {"B.A. History",   "B.Sc. Physics", "B.Sc. Chemistry", "B.Com.", "BBA",
                               "B.Sc. Maths",    "M.A. English",  "M.Sc. Botany",    "MBA",    "BCA",
                               "B.A. Economics", "M.Com.",        "B.Sc. Zoology",   "MCA",    "B.Ed."};
const char *const kMonth[] = {"January", "February", "March",     "April",   "May",      "June",
                              "July",    "August",   "September", "October", "November", "December"};
const char *const kPlace[] = {"Hillview",   "Riverside", "Lakeside",  "Northgate", "Greenfield", "Sunrise",
                              "Westbrook",  "Eastwood",  "Marlowe",   "Ashby",     "Hartfield",  "Crane",
                              "Stoneleigh", "Wexham",    "Dunmore",   "Halvern",   "Northwick",  "Fairmont",
                              "Silverdale", "Oakridge",  "Maplewood", "Brookside", "Kingsway",   "Elmstead",
                              "Rosehill",   "Cedarvale", "Pinecrest", "Highmoor",  "Lowfield",   "Redcliff"};
const char *const kKind[] = {"Arts College", "College of Science", "College of Commerce",
                             "Institute of Technology", "College for Women"};

// What students and colleges write about: a subject and the sentence that
// opens the message ({c} course, {s} semester, {m} month, {a} amount).
struct Topic
{
    const char *subject;
    const char *opening;
};
const Topic kTopics[] = {
        {"Unable to make final submission",
         "The application form does not allow me to edit my subjects after final submission for {c}."},
        {"Result withheld",
         "My result for semester {s} of {c} shows as withheld although I have cleared all dues."},
        {"Hall ticket not received",
         "I paid the examination fee in {m} but my hall ticket for semester {s} is not available."},
        {"Revaluation status",
         "I applied for revaluation of semester {s} papers in {m} and have received no reply."},
        {"Fee paid but status pending",
         "The fee of Rs. {a} was debited from my account in {m} but the portal shows payment pending."},
        {"Name misspelt in mark sheet", "My name is printed wrongly in the semester {s} mark sheet of {c}."},
        {"Transfer certificate",
         "I need the procedure to get the migration certificate after completing {c}."},
        {"Login problem for college account",
         "The college login is locked after the password reset done in {m}."},
        {"Duplicate students reported",
         "The import reported duplicate students for {c} who are not in our college."},
        {"Change of degree", "Two students were uploaded under {c} by mistake and must be moved."},
        {"Wrong photo on application", "The photograph on my application for {c} is not mine."},
        {"Refund of excess fee", "I paid Rs. {a} twice for semester {s} and request a refund of the excess."},
        {"Provisional certificate delay",
         "I completed {c} in {m} and have not received my provisional certificate."},
        {"Marks not updated", "The internal marks for semester {s} of {c} are not updated on the portal."},
        {"Supplementary exam registration",
         "The portal does not let me register for the supplementary examination of semester {s}."},
        {"Scholarship not credited", "My scholarship of Rs. {a} for {c} has not been credited since {m}."},
        {"Date of birth correction", "My date of birth is wrong in the {c} admission record."},
        {"Attendance shortage",
         "I was marked short of attendance in semester {s} although I attended regularly."},
        {"Degree certificate not received",
         "I graduated in {c} and applied for the degree certificate in {m}."},
        {"Answer script photocopy", "I applied for a photocopy of my semester {s} answer script in {m}."},
        {"Exam centre change",
         "My examination centre for semester {s} is far from my college; I request a change."},
        {"Course not listed", "My course {c} is not listed in the application form."},
        {"Consolidated mark sheet", "I need the consolidated mark sheet of {c} for a job application."},
        {"Grace marks", "I missed a pass in semester {s} by two marks and request grace marks."},
        {"Duplicate hall ticket", "I lost my hall ticket for semester {s} and need a duplicate."},
        {"Equivalence certificate", "I need an equivalence certificate for {c} to join a course abroad."},
        {"Late fee waiver", "I request a waiver of the late fee of Rs. {a} charged in {m}."},
        {"Subject code mismatch", "The subject codes on my semester {s} hall ticket do not match {c}."},
        {"Verification of certificates", "My certificates for {c} have not been verified since {m}."},
        {"Portal not loading", "The student portal has not loaded on my phone since {m}."}};

const char *const kRareLines[] = {" Signed, O'Brien.", " Saved at C:\\\\Users\\\\exam.",
                                  " The roll_no field is blank.", " Only 50% of marks shown.",
                                  " \u0BA4\u0BAE\u0BBF\u0BB4\u0BCD \u0BA4\u0BC7\u0BB0\u0BCD\u0BB5\u0BC1."};

// The words of everyday messages, most frequent first; the rest of the
// vocabulary is made of syllables, so that rare words are really rare.
const char *const kCommon[] = {
        "please",    "kindly",      "help",        "sir",        "madam",    "request",     "university",
        "exam",      "students",    "college",     "portal",     "status",   "issue",       "problem",
        "urgent",    "reply",       "soon",        "waiting",    "weeks",    "month",       "office",
        "called",    "phone",       "mail",        "twice",      "again",    "still",       "already",
        "submitted", "online",      "form",        "details",    "copy",     "attached",    "receipt",
        "number",    "since",       "days",        "regarding",  "matter",   "department",  "principal",
        "approval",  "document",    "original",    "photocopy",  "applied",  "semester",    "results",
        "marks",     "fees",        "payment",     "bank",       "account",  "transaction", "failed",
        "refund",    "certificate", "correction",  "change",     "update",   "record",      "registration",
        "admission", "deadline",    "extension",   "grateful",   "thanks",   "regards",     "faithfully",
        "sincerely", "respected",   "inform",      "informed",   "response", "pending",     "delay",
        "delayed",   "early",       "possible",    "future",     "career",   "job",         "interview",
        "abroad",    "visa",        "scholarship", "hostel",     "library",  "laboratory",  "practical",
        "theory",    "internal",    "external",    "assessment", "project"};

class Vocabulary
{
public:
    explicit Vocabulary(std::mt19937 &rng)
    {
        for (const char *w : kCommon)
            m_words.push_back(QString::fromLatin1(w));
        const char *const syllables[] = {"ka", "ri", "vel", "mon", "dra", "su",  "tha", "pen", "lo",  "mar",
                                         "ni", "zo", "ber", "qui", "sta", "ven", "dor", "gal", "phi", "tru"};
        std::uniform_int_distribution<int> pick(0, 19);
        std::uniform_int_distribution<int> length(2, 4);
        while (m_words.size() < 6000) {
            QString w;
            for (int n = length(rng); n > 0; --n)
                w += QString::fromLatin1(syllables[pick(rng)]);
            m_words.push_back(w);
        }
        // Zipf: the word of rank r is used in proportion to 1 / r.
        double total = 0;
        for (size_t r = 1; r <= m_words.size(); ++r)
            m_cdf.push_back(total += 1.0 / double(r));
        for (double &c : m_cdf)
            c /= total;
    }
    const QString &draw(std::mt19937 &rng) const
    {
        const double u = std::uniform_real_distribution<double>(0, 1)(rng);
        const size_t i = size_t(std::lower_bound(m_cdf.begin(), m_cdf.end(), u) - m_cdf.begin());
        return m_words[std::min(i, m_words.size() - 1)];
    }

private:
    std::vector<QString> m_words;
    std::vector<double> m_cdf;
};

// Names as varied as a large student body's: the lists above first, then
// made-up names. Drawn so that a few are common and most are rare: the name
// of rank r in proportion to 1 / (r + offset), which makes the commonest
// first name about 2% of students and the commonest surname about 3%.
class Names
{
public:
    Names(const char *const *real, size_t count, int total, double offset, std::mt19937 &rng)
    {
        for (size_t i = 0; i < count; ++i)
            m_names.push_back(QString::fromLatin1(real[i]));
        const char *const syllables[] = {"ra",  "vi",  "ka",  "la",  "an",  "sri", "de",  "pa",  "ma", "ni",
                                         "sha", "ya",  "ha",  "su",  "ga",  "ja",  "na",  "ta",  "va", "ven",
                                         "kat", "mur", "sel", "bal", "sub", "ram", "kri", "thi", "lo", "dev"};
        std::uniform_int_distribution<int> pick(0, int(std::size(syllables)) - 1);
        std::uniform_int_distribution<int> length(2, 3);
        while (int(m_names.size()) < total) {
            QString n;
            for (int k = length(rng); k > 0; --k)
                n += QString::fromLatin1(syllables[pick(rng)]);
            n[0] = n[0].toUpper();
            m_names.push_back(n);
        }
        double sum = 0;
        for (size_t r = 1; r <= m_names.size(); ++r)
            m_cdf.push_back(sum += 1.0 / (double(r) + offset));
        for (double &c : m_cdf)
            c /= sum;
    }
    const QString &draw(std::mt19937 &rng) const
    {
        const double u = std::uniform_real_distribution<double>(0, 1)(rng);
        const size_t i = size_t(std::lower_bound(m_cdf.begin(), m_cdf.end(), u) - m_cdf.begin());
        return m_names[std::min(i, m_names.size() - 1)];
    }

private:
    std::vector<QString> m_names;
    std::vector<double> m_cdf;
};

struct Sample
{
    QString tktid, mobile, typedMobile, email;
    QString word;      // the message's last word
    QString name;      // first and last name as the message signs them
    QString nameTopic; // the last name and the subject's last word
};

QString fillIn(const char *pattern, std::mt19937 &rng)
{
    QString s = QString::fromLatin1(pattern);
    s.replace(QLatin1String("{c}"), QString::fromLatin1(kCourse[rng() % std::size(kCourse)]));
    s.replace(QLatin1String("{s}"), QString::number(1 + rng() % 8));
    s.replace(QLatin1String("{m}"), QString::fromLatin1(kMonth[rng() % std::size(kMonth)]));
    s.replace(QLatin1String("{a}"), QString::number(500 + (rng() % 200) * 50));
    return s;
}

// Writes `rows` grievances as the portal would have written them over the
// years (ids 1..rows, one every few minutes, nearly all replied) to a tab-
// separated file; keeps a few rows to search for.
std::vector<Sample> writeRows(const QString &path, int rows)
{
    std::mt19937 rng(20240611u + unsigned(rows));
    const Vocabulary vocabulary(rng);
    const Names firstNames(kFirst, std::size(kFirst), 800, 10, rng);
    const Names lastNames(kLast, std::size(kLast), 2000, 5, rng);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(ErrNo::FileAccess, QStringLiteral("cannot write ") + path);
    std::vector<Sample> samples;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-qint64(rows) * 180);
    const char *const univs[] = {"041", "041", "041", "042", "042", "003", "023", "999"};
    const char *const repliers[] = {"DESK11", "DESK21", "DESK31", "DESK32", "ADMIN"};
    QByteArray out;
    out.reserve(1 << 22);
    for (int id = 1; id <= rows; ++id) {
        const QDateTime raised = start.addSecs(qint64(id) * 180);
        const bool college = rng() % 100 < 15;
        const QString first = firstNames.draw(rng);
        const QString last = lastNames.draw(rng);
        const QString collegeName = QString::fromLatin1(kPlace[rng() % std::size(kPlace)]) +
                                    QLatin1Char(' ') + QString::fromLatin1(kKind[rng() % std::size(kKind)]);
        const QString univ = QString::fromLatin1(univs[rng() % std::size(univs)]);
        const QString mobile = QString::number(6000000000LL + qint64(rng() % 4000000000u));
        const QString sender =
                college ? QStringLiteral("Principal, ") + collegeName : first + QLatin1Char(' ') + last;
        const QString email = college ? QStringLiteral("c%1@colleges.example.edu").arg(1000 + rng() % 400)
                                      : QStringLiteral("%1.%2%3@mail.example.com")
                                                .arg(first.toLower(), last.toLower())
                                                .arg(rng() % 1000);
        const QString alt =
                !college && rng() % 100 < 40
                        ? QStringLiteral("%1%2@alt.example.org").arg(first.toLower()).arg(rng() % 100000)
                        : QString();
        const Topic &topic = kTopics[rng() % std::size(kTopics)];
        QString message = fillIn(topic.opening, rng);
        const bool named = !college && rng() % 2;
        if (named)
            message += QStringLiteral(" My name is %1 %2 of %3.").arg(first, last, collegeName);
        QString filler;
        for (int n = 4 + int(rng() % 12); n > 0; --n)
            filler += QLatin1Char(' ') + vocabulary.draw(rng);
        message += filler + QLatin1Char('.');
        // What people also write, now and then: a transfer certificate as
        // "TC", and rarely a name with a quote, a file path, a field name,
        // a share, a word in Tamil. A backslash is written doubled for LOAD
        // DATA.
        const unsigned extra = rng() % 10000;
        if (extra < 100)
            message += QStringLiteral(" The TC is needed urgently.");
        else if (extra < 100 + std::size(kRareLines))
            message += QString::fromUtf8(kRareLines[extra - 100]);
        const bool open = id > rows - 300 || rng() % 100 < 2;
        const QString status = open ? QString::fromLatin1(rng() % 2 ? "\\N" : "A") : QStringLiteral("C");
        const QString replier = open ? QStringLiteral("\\N") : QString::fromLatin1(repliers[rng() % 5]);
        const QString replied = open ? QStringLiteral("\\N")
                                     : raised.addSecs(3600 + qint64(rng() % 200000))
                                                .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QStringList fields = {QString::number(id),
                                    raised.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                    college ? QStringLiteral("%1").arg(1000 + rng() % 400)
                                            : univ + QString::number(2018 + rng() % 6) +
                                                      QString::number(100000 + rng() % 900000),
                                    sender,
                                    email,
                                    alt.isEmpty() ? QStringLiteral("\\N") : alt,
                                    QString::fromLatin1(topic.subject),
                                    message,
                                    college ? QStringLiteral("College") : QStringLiteral("Student"),
                                    QStringLiteral("W"),
                                    mobile,
                                    univ,
                                    status,
                                    QStringLiteral("\\N"),
                                    QString::number(1 + rng() % 3),
                                    replier,
                                    replied};
        out += fields.join(QLatin1Char('\t')).toUtf8();
        out += '\n';
        if (out.size() > (1 << 22)) {
            file.write(out);
            out.clear();
        }
        // A spread of grievances to look for, by what a person remembers:
        // the student's name as the message gives it.
        if (id % (rows / 200) == 7 && named) {
            const QString subjectWord = QString::fromLatin1(topic.subject).section(QLatin1Char(' '), -1);
            samples.push_back({QString::number(id), mobile, mobile.left(5) + QLatin1Char(' ') + mobile.mid(5),
                               email, filler.section(QLatin1Char(' '), -1), first + QLatin1Char(' ') + last,
                               last + QLatin1Char(' ') + subjectWord});
        }
    }
    file.write(out);
    return samples;
}

std::vector<Sample> fill(int rows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tkthead.tsv"));
    QElapsedTimer t;
    t.start();
    const std::vector<Sample> samples = writeRows(path, rows);
    // Loaded without the full-text index, which is then built in one go, as
    // an existing database gets it.
    Conn::execute(QStringLiteral("truncate table tkthead"));
    Conn::execute(QStringLiteral("alter table tkthead drop index ") + kFullText);
    Conn::execute(QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE tkthead CHARACTER SET utf8mb4 "
                                 "FIELDS TERMINATED BY '\\t' LINES TERMINATED BY '\\n'")
                          .arg(sql::quote(path)));
    std::printf("tkthead %d rows: written and loaded in %.1f s\n", rows, bench::msSince(t) / 1000);
    t.restart();
    Conn::execute(
            QStringLiteral("alter table tkthead add fulltext index %1 (ftktsub, ftktmsg)").arg(kFullText));
    std::printf("tkthead %d rows: full-text index built in %.1f s\n", rows, bench::msSince(t) / 1000);
    Conn::query(QStringLiteral("analyze table tkthead"));
    // Read the table and its indexes once, as on a server that has run a while.
    for (const char *index : {"PRIMARY", "ix_tkthead_mobile", "ix_tkthead_email", "ix_tkthead_studemail"})
        Conn::query(QStringLiteral("select count(*) as n from tkthead force index (%1)")
                            .arg(QLatin1String(index)));
    Conn::query(QStringLiteral("select count(*) as n from tkthead where match(ftktsub, ftktmsg) "
                               "against('+semester' in boolean mode)"));
    bench::settle();
    return samples;
}

double timeSearch(desk::SearchBy by, const QString &text, int *found, bool overdue = false)
{
    desk::SearchRequest request;
    request.by = by;
    request.text = text;
    request.overdueOnly = overdue;
    QElapsedTimer t;
    t.start();
    const desk::SearchResult result = desk::searchGrievances(request);
    const double ms = bench::msSince(t);
    *found = int(result.rows.size());
    return ms;
}

struct Kind
{
    const char *label;
    desk::SearchBy by;
    QString Sample::*field; // what is looked for, or else `text`
    const char *text;
    bool overdue = false; // the overdue filter on
};
const Kind kKinds[] = {{"number", desk::SearchBy::Number, &Sample::tktid, nullptr},
                       {"mobile as typed", desk::SearchBy::Mobile, &Sample::typedMobile, nullptr},
                       {"e-mail", desk::SearchBy::Email, &Sample::email, nullptr},
                       {"a word", desk::SearchBy::Words, &Sample::word, nullptr},
                       {"name (two words)", desk::SearchBy::Words, &Sample::name, nullptr},
                       {"hall ticket", desk::SearchBy::Words, nullptr, "hall ticket"},
                       {"TC", desk::SearchBy::Words, nullptr, "TC"},
                       {"xq", desk::SearchBy::Words, nullptr, "xq"},
                       {"O'Brien", desk::SearchBy::Words, nullptr, "O'Brien"},
                       {"C:\\Users\\exam", desk::SearchBy::Words, nullptr, "C:\\Users\\exam"},
                       {"roll_no", desk::SearchBy::Words, nullptr, "roll_no"},
                       {"50%", desk::SearchBy::Words, nullptr, "50%"},
                       {"Tamil word", desk::SearchBy::Words, nullptr, "\u0BA4\u0BAE\u0BBF\u0BB4\u0BCD"},
                       {"overdue", desk::SearchBy::Words, nullptr, "", true},
                       {"overdue, a word", desk::SearchBy::Words, &Sample::word, nullptr, true},
                       {"overdue, hall", desk::SearchBy::Words, nullptr, "hall ticket", true},
                       {"overdue, mobile", desk::SearchBy::Mobile, &Sample::typedMobile, nullptr, true}};
constexpr int kKindCount = int(std::size(kKinds));

QString searchText(const Kind &kind, const Sample &sample)
{
    return kind.field ? sample.*kind.field : QString::fromUtf8(kind.text);
}

// One history: its table while another one is in use, the grievances to
// look for, and the times of each kind of search.
struct History
{
    int rows = 0;
    QString parked; // the table's name while it is not tkthead
    std::vector<Sample> samples;
    std::vector<double> times[kKindCount];
    long long found[kKindCount] = {};
};

// Runs a batch of every kind of search on one history, under the name
// tkthead.
void searchBatch(History &h, int batch, int first)
{
    Conn::execute(QStringLiteral("rename table %1 to tkthead").arg(h.parked));
    for (int k = 0; k < kKindCount; ++k) {
        for (int i = -2; i < batch; ++i) { // two to warm up
            const Sample &sample = h.samples[size_t(first + i + 2) % h.samples.size()];
            int found = 0;
            const double ms =
                    timeSearch(kKinds[k].by, searchText(kKinds[k], sample), &found, kKinds[k].overdue);
            if (i >= 0) {
                h.times[k].push_back(ms);
                h.found[k] += found;
            }
        }
    }
    Conn::execute(QStringLiteral("rename table tkthead to %1").arg(h.parked));
}

// For comparison only, once on each history: a name with a common word,
// two words most grievances share (the list is cut at its limit), and words
// the index does not hold (the newest grievances are read until the list is
// full, all of them when nothing matches).
void otherSearches(History &h)
{
    Conn::execute(QStringLiteral("rename table %1 to tkthead").arg(h.parked));
    int found = 0;
    long long total = 0;
    std::vector<double> times;
    for (size_t i = 0; i < h.samples.size(); ++i) {
        times.push_back(timeSearch(desk::SearchBy::Words, h.samples[i].nameTopic, &found));
        total += found;
    }
    std::printf("tkthead %7d rows: (last name and a subject word: median %.1f ms, %.1f rows found on "
                "average)\n",
                h.rows, bench::median(times), double(total) / double(h.samples.size()));
    const char *const others[] = {"hall ticket", "Rs.", "xq"};
    for (const char *words : others) {
        times.clear();
        for (int i = 0; i < 3; ++i)
            times.push_back(timeSearch(desk::SearchBy::Words, QString::fromLatin1(words), &found));
        std::printf("tkthead %7d rows: (\"%s\": median %.1f ms, %d rows listed)\n", h.rows, words,
                    bench::median(times), found);
    }
    Conn::execute(QStringLiteral("rename table tkthead to %1").arg(h.parked));
}

// Single-row inserts as the portal makes them, each its own transaction,
// into `table`; adds each one's time to `times`.
void insertRows(const QString &table, int count, int firstId, std::vector<double> *times)
{
    for (int i = 0; i < count; ++i) {
        const int id = firstId + i;
        QElapsedTimer t;
        t.start();
        Conn::execute(
                QStringLiteral("insert into %3(ftktid, ftktdate, fregno, ftktfrom, ftktemail, fstudemail, "
                               "ftktsub, ftktmsg, ftktuser, ftktmode, ftktmobile, funivcode, ftktstatus, "
                               "ftktgroup) values(%1, now(), '041202312345', 'Anitha Raman', "
                               "'anitha.raman%1@mail.example.com', null, 'Hall ticket not received', "
                               "'I paid the examination fee in March but my hall ticket for semester %2 is "
                               "not available on the portal. My name is Anitha Raman of Hillview Arts "
                               "College. Kindly help as the examination starts next week.', 'Student', "
                               "'W', '98%1', '041', null, '3')")
                        .arg(id)
                        .arg(1 + id % 8)
                        .arg(table));
        if (times)
            times->push_back(bench::msSince(t));
    }
}

double mean(const std::vector<double> &v)
{
    double total = 0;
    for (double x : v)
        total += x;
    return total / double(v.size());
}

// The same 1,000,000 rows in three tables: as created here, without the
// full-text index, and also without the two e-mail indexes (as before);
// inserts go to the three in turn, so a busy moment of the machine falls on
// all of them alike.
void measureInserts()
{
    const QString noFullText = QStringLiteral("tkthead_noft");
    const QString before = QStringLiteral("tkthead_before");
    for (const QString &copy : {noFullText, before}) {
        Conn::execute(QStringLiteral("drop table if exists ") + copy);
        Conn::execute(QStringLiteral("create table %1 like tkthead").arg(copy));
        Conn::execute(QStringLiteral("alter table %1 drop index %2").arg(copy, kFullText));
        Conn::execute(QStringLiteral("insert into %1 select * from tkthead").arg(copy));
    }
    Conn::execute(
            QStringLiteral("alter table %1 drop index ix_tkthead_email, drop index ix_tkthead_studemail")
                    .arg(before));
    const QString tables[] = {QStringLiteral("tkthead"), noFullText, before};
    for (const QString &table : tables)
        insertRows(table, 300, 2000001, nullptr); // warm up
    bench::settle();
    std::vector<double> times[3];
    for (int round = 0; round < 10; ++round)
        for (int t = 0; t < 3; ++t)
            insertRows(tables[t], 1000, 3000001 + round * 1000, &times[t]);
    const char *const labels[] = {"every index", "without the full-text index",
                                  "without it and the two e-mail indexes"};
    std::printf("portal inserts into tkthead (1000000 rows), one transaction each, 10000 per table:\n");
    for (int t = 0; t < 3; ++t)
        std::printf("  %-40s median %.3f ms, mean %.3f ms\n", labels[t], bench::median(times[t]),
                    mean(times[t]));
    std::printf(
            "cost per insert (medians): full-text index %+.3f ms, e-mail indexes %+.3f ms, together %+.3f "
            "ms (%+.0f%%)\n",
            bench::median(times[0]) - bench::median(times[1]),
            bench::median(times[1]) - bench::median(times[2]),
            bench::median(times[0]) - bench::median(times[2]),
            100.0 * (bench::median(times[0]) - bench::median(times[2])) / bench::median(times[2]));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!bench::open("grievance_search"))
        return 1;
    try {
        const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 10;
        // A server holding a million grievances keeps them in memory.
        Conn::execute(QStringLiteral("set global innodb_buffer_pool_size = 2147483648"));
        History small, large;
        small.rows = 10000;
        small.parked = QStringLiteral("tkthead_10k");
        large.rows = 1000000;
        large.parked = QStringLiteral("tkthead_1m");
        for (History *h : {&small, &large}) {
            if (h == &large) // the small one took the schema's table
                Conn::execute(QStringLiteral("create table tkthead like ") + small.parked);
            h->samples = fill(h->rows);
            if (h->samples.empty())
                throw AppError(0, QStringLiteral("no grievances to look for"));
            Conn::execute(QStringLiteral("rename table tkthead to %1").arg(h->parked));
        }
        // The two histories take turns, so a busy moment of the machine
        // falls on both alike.
        const int batch = 10;
        for (int round = 0; round < rounds; ++round)
            for (History *h : {&small, &large})
                searchBatch(*h, batch, round * batch);
        // The ratio counts the kinds whose answer has the same size on both
        // histories (a full list, or the one grievance looked for).
        double worstSmall = 0, worstLarge = 0, worstLargeAll = 0, worstOverdue = 0;
        QStringList compared;
        for (int k = 0; k < kKindCount; ++k) {
            const double found[2] = {double(small.found[k]) / double(small.times[k].size()),
                                     double(large.found[k]) / double(large.times[k].size())};
            const double ms[2] = {bench::median(small.times[k]), bench::median(large.times[k])};
            for (int i = 0; i < 2; ++i)
                std::printf("tkthead %7d rows: %-17s median %7.3f ms (%.1f rows found on average)\n",
                            i ? large.rows : small.rows, kKinds[k].label, ms[i], found[i]);
            // The overdue filter reads every open grievance's trail: a screen
            // of its own kind, reported apart from the searches by text.
            if (kKinds[k].overdue) {
                worstOverdue = std::max(worstOverdue, ms[1]);
                continue;
            }
            worstLargeAll = std::max(worstLargeAll, ms[1]);
            if (found[0] == found[1]) {
                compared << QString::fromUtf8(kKinds[k].label);
                worstSmall = std::max(worstSmall, ms[0]);
                worstLarge = std::max(worstLarge, ms[1]);
            }
        }
        for (History *h : {&small, &large})
            otherSearches(*h);

        Conn::execute(QStringLiteral("rename table %1 to tkthead").arg(large.parked));
        measureInserts();

        std::printf("worst_ms_1m=%.3f (searches by number, mobile, e-mail and words)\n", worstLargeAll);
        std::printf("worst_overdue_ms_1m=%.3f (the overdue filter, alone or with the others)\n",
                    worstOverdue);
        std::printf("ratio=%.3f (slowest at 1M over slowest at 10k of: %s)\n", worstLarge / worstSmall,
                    qPrintable(compared.join(QStringLiteral(", "))));
    } catch (const AppError &e) {
        std::fprintf(stderr, "bench: %s %lld\n", qPrintable(e.description()),
                     static_cast<long long>(e.number()));
        return 1;
    }
    return 0;
}
