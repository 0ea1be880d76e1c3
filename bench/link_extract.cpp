// TVxInfoExtractor::ParseData over a generated page full of links of several kinds,
// against `grep -o -a` with the equivalent pattern over the same file in the same run.
// Prints the throughput of each (per processor second), the ratio, and checks that both found as many links.
//
//     bench_link_extract [MB]        (default 100)
//
// The page lives in a temporary directory under /tmp and is deleted at the end.
#include "support/BenchProcess.h"

#include <vedidoredo/vxixtract.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace {

class TBenchExtractor : public TVxInfoExtractor {
public:
    using TVxCustomWebUpdater::SetLocalFileName;
};

// One paragraph of a links page: mail, web, secure web and FTP links in markup and text.
QByteArray Paragraph(int N)
{
    const QByteArray I = QByteArray::number(N);
    return "<li><a href=\"http://www.example.com/news/" + I + "/article.html\">News " + I +
           "</a> by <a href=\"mailto:editor" + I + "@example.org\">the editor</a>, mirrored at "
           "https://secure.example.net/archive?id=" + I + "&amp;lang=en and "
           "ftp://ftp.example.com/pub/issue-" + I + ".tar.gz; see also http://example.org/" + I +
           "#comments or news:comp.lang." + I + "</li>\n";
}

bool MakePage(const QString& Path, qint64 Size)
{
    QFile F(Path);
    if (!F.open(QIODevice::WriteOnly))
        return false;
    F.write("<html><body><ul>\n");
    for (int N = 0; F.size() < Size; ++N)
        if (F.write(Paragraph(N)) < 0)
            return false;
    return true;
}

// Processor time rather than wall time: the machine may be busy with other work.
double CpuSeconds(int Who)
{
    rusage Usage{};
    getrusage(Who, &Usage);
    return double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
           double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const qint64 MB = App.arguments().size() > 1 ? App.arguments().at(1).toLongLong() : 100;
    const QString Grep = QStandardPaths::findExecutable(QStringLiteral("grep"));
    QTemporaryDir Dir(QStringLiteral("/tmp/vx-bench-links-XXXXXX"));
    const QString Page = Dir.filePath(QStringLiteral("page.html"));
    if (Grep.isEmpty() || !Dir.isValid() || !MakePage(Page, MB * 1000 * 1000)) {
        std::fprintf(stderr, "cannot prepare the page or find grep\n");
        return 1;
    }
    const double Bytes = double(QFileInfo(Page).size());

    // The best of three runs each, the page in the cache after its writing.
    struct Kind {
        TVxIExtract Extract;
        const char* Pattern;  // the same links for grep: the prefix, then no terminator
    };
    const Kind Kinds[] = {{ieHTTP, "http://[^] \"#%<>[\\^`{|}~]*"}, {ieMailTo, "mailto:[^] \"#%<>[\\^`{|}~]*"}};
    bool Agree = true;
    double Worst = 1e99;
    for (const Kind& K : Kinds) {
        TBenchExtractor E;
        E.SetLocalFileName(Page);
        E.SetExtract(K.Extract);
        double Ours = 1e99, Theirs = 1e99;
        qsizetype OurLinks = 0, TheirLinks = 0;
        for (int Run = 0; Run < 3; ++Run) {
            double Start = CpuSeconds(RUSAGE_SELF);
            E.ParseData();
            Ours = std::min(Ours, CpuSeconds(RUSAGE_SELF) - Start);
            OurLinks = E.ExtractedInfo().size();

            // grep's matches go to a file: with /dev/null as output grep stops at the first.
            QProcess P;
            P.setStandardOutputFile(Dir.filePath(QStringLiteral("grep.out")));
            // The C locale: bytes, as the extractor reads them, and grep's fastest matcher.
            QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
            Env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
            P.setProcessEnvironment(Env);
            Start = CpuSeconds(RUSAGE_CHILDREN);
            P.start(Grep, {QStringLiteral("-o"), QStringLiteral("-a"), QString::fromLatin1(K.Pattern), Page});
            P.waitForFinished(-1);
            Theirs = std::min(Theirs, CpuSeconds(RUSAGE_CHILDREN) - Start);
            QFile Out(Dir.filePath(QStringLiteral("grep.out")));
            Out.open(QIODevice::ReadOnly);
            TheirLinks = Out.readAll().count('\n');
        }
        Agree = Agree && OurLinks == TheirLinks;
        Worst = std::min(Worst, Theirs / Ours);
        std::printf("%-8s ParseData %s (%lld links), grep -o -a %s (%lld links): %.2fx grep\n",
                    VxExtractPrefix(K.Extract), qPrintable(BenchRate(Bytes, Ours)), (long long)OurLinks,
                    qPrintable(BenchRate(Bytes, Theirs)), (long long)TheirLinks, Theirs / Ours);
    }
    std::printf("page %.0f MB; slowest ratio %.2fx grep%s\n", Bytes / 1e6, Worst,
                Agree ? "" : "; the link counts DIFFER");
    return Agree ? 0 : 1;
}
