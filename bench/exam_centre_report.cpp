// The examination centre list for 5,000 colleges in 600 centres, timed
// against a bare query of the same college rows. Needs a running server
// (scripts/bench exam_centre_report). The last line is ratio=report/query.

#include "core/reports/examcentre.h"
#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        if (!Conn::open()) {
            std::fprintf(stderr, "no connection: %s\n", qPrintable(Conn::lastError().description()));
            return 1;
        }
        const int colleges = 5000, centres = 600;
        Conn::execute(QStringLiteral("delete from corvane3_tsc.college"));
        Conn::execute(QStringLiteral("drop table if exists corvane3_tsc.tmpcntrpg"));
        QStringList values;
        for (int i = 0; i < colleges; ++i) {
            const QString code = QStringLiteral("%1").arg(i, 4, 36, QLatin1Char('0')).toUpper();
            // The first 600 are centres (their own centre); the rest are spread over them.
            const int centre = i < centres ? i : i % centres;
            const QString centreCode = QStringLiteral("%1").arg(centre, 4, 36, QLatin1Char('0')).toUpper();
            values << QStringLiteral("(%1, %2, %3, %4, %5, 'PG Arts and Science')")
                              .arg(sql::quote(code),
                                   sql::quote(QStringLiteral("College of Arts and Science number %1").arg(i)),
                                   sql::quote(QStringLiteral("Town %1").arg(i % 97)),
                                   sql::quote(QStringLiteral("Const-%1").arg(i % 41)),
                                   sql::quote(centreCode));
        }
        Conn::execute(QStringLiteral("insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, "
                                     "fpgthcntrmba, ffaculty) values ") +
                      values.join(QLatin1Char(',')));

        QTemporaryDir dir;
        QElapsedTimer timer;
        timer.start();
        const ExamCentreResult result = Gen_Exam_Centre_List(dir.path());
        const double report = double(timer.nsecsElapsed()) / 1e9;

        timer.restart();
        const Rows bare = Conn::query(QStringLiteral("select a.fcollcode, a.fcollname, a.ftown, a.fconst, "
                                                     "a.fpgthcntrmba from corvane3_tsc.college a where "
                                                     "ifnull(a.fpgthcntrmba,'') <> ''"));
        const double query = double(timer.nsecsElapsed()) / 1e9;

        std::printf("colleges=%d centres=%d rows=%d file_bytes=%lld\n", colleges, centres, bare.size(),
                    static_cast<long long>(QFileInfo(result.path).size()));
        std::printf("report_seconds=%.3f bare_query_seconds=%.3f goal_seconds=1.0\n", report, query);
        std::printf("ratio=%.2f\n", report / query);
        return report < 1.0 ? 0 : 2;
    } catch (const AppError &e) {
        std::fprintf(stderr, "%lld %s\n", static_cast<long long>(e.number()), qPrintable(e.description()));
        return 1;
    }
}
