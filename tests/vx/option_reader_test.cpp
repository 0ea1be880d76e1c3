// The one option reader of vx commands, and the forms every command shares through it.
#include "tool_harness.h"

#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

vx::OptionReader Read(const QStringList& Args)
{
    return vx::OptionReader(Args, {{"--server", "HOST"}, {"-H", "LINE"}, {"-r|--recursive"}, {"--count", "N"},
                                   {"--to", "ADDR", vx::ListOption}, {"--timeout", "SECONDS"}});
}

QString UsageProblem(const std::function<void()>& F)
{
    try {
        F();
    } catch (const vx::UsageError& E) {
        return E.Message;
    }
    return {};
}

}  // namespace

TEST(VxOptionReader, ReadsEveryFormOfAnOption)
{
    const vx::OptionReader O = Read({"a", "--server=s1", "-H", "X: 1", "--recursive", "--server", "s2", "-H", "Y: 2",
                                     "--to", "t1", "t2", "--timeout=0.25", "--", "--server"});
    EXPECT_EQ(O.Value("--server"), "s2");
    EXPECT_EQ(O.Values("--server"), QStringList({"s1", "s2"}));
    EXPECT_EQ(O.Values("-H"), QStringList({"X: 1", "Y: 2"}));
    EXPECT_TRUE(O.Has("-r"));
    EXPECT_EQ(O.Values("--to"), QStringList({"t1", "t2"}));
    EXPECT_EQ(O.TimeoutMs(10), 250);
    EXPECT_EQ(O.Positional(), QStringList({"a", "--server"}));
    EXPECT_EQ(Read({"-"}).Positional(), QStringList({"-"}));  // standard input, not an option
    EXPECT_EQ(Read({}).TimeoutMs(1.5), 1500);
    EXPECT_EQ(Read({"--count=12"}).Integer("--count", 1, 99), 12);
    EXPECT_EQ(Read({}).Integer("--count", 1, 99, 7), 7);
    EXPECT_THROW(Read({"x", "--help"}), vx::HelpRequest);
}

TEST(VxOptionReader, NamesWhatDoesNotFit)
{
    const struct {
        QStringList Args;
        const char* Problem;
    } Cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--bogus=1"}, "unknown option '--bogus'"},
        {{"--server"}, "--server needs HOST"},
        {{"--to", "--server", "s"}, "--to needs ADDR"},
        {{"-r=yes"}, "unknown option '-r=yes'"},
        {{"--recursive=yes"}, "--recursive takes no value"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(UsageProblem([&] { Read(C.Args); }), QString::fromLatin1(C.Problem)) << C.Args.join(' ').toStdString();
    EXPECT_EQ(UsageProblem([] { Read({"a", "b"}).ExpectPositional(1, 1, "one FILE"); }), "expected one FILE, got 'b' as well");
    for (const char* Count : {"0", "100", "1.5", "x", "99999999999"})
        EXPECT_TRUE(UsageProblem([&] { Read({"--count", Count}).Integer("--count", 1, 99); })
                        .startsWith("--count takes a whole number from 1 to 99")) << Count;
}

TEST(VxOptionReader, TimeoutsAreSecondsWithFractions)
{
    const struct {
        const char* Text;
        int Ms;  // -1: a usage error
    } Cases[] = {{"0", 0},  {"2", 2000}, {"0.2", 200}, {".5", 500}, {"3.", 3000}, {"0.0001", 1},
                 {"-1", -1}, {"+1", -1}, {"1e3", -1}, {"", -1},     {"abc", -1},  {"9999999999", -1}};
    for (const auto& C : Cases) {
        int Ms = -1;
        const QString Problem = UsageProblem([&] { Ms = vx::SecondsToMs(QString::fromLatin1(C.Text)); });
        EXPECT_EQ(Problem.isEmpty() ? Ms : -1, C.Ms) << C.Text;
        if (C.Ms < 0) {
            EXPECT_TRUE(Problem.startsWith("--timeout takes seconds")) << Problem.toStdString();
        }
    }
}

TEST(VxOptionReader, HostAndPort)
{
    const struct {
        const char* Text;
        const char* Host;  // nullptr: a usage error
        int Port;
    } Cases[] = {{"h", "h", 7},           {"h:99", "h", 99},    {"::1", "::1", 7}, {"[::1]", "::1", 7},
                 {"[::1]:8", "::1", 8},   {"h:", nullptr, 0},   {"h:0", nullptr, 0}, {"h:65536", nullptr, 0},
                 {":80", nullptr, 0},     {"[::1", nullptr, 0}, {"[::1]x", nullptr, 0}, {"h:8x", nullptr, 0}};
    for (const auto& C : Cases) {
        vx::HostPort R;
        const QString Problem = UsageProblem([&] { R = vx::ParseHostPort(QString::fromLatin1(C.Text), 7); });
        if (!C.Host) {
            EXPECT_FALSE(Problem.isEmpty()) << C.Text;
            continue;
        }
        EXPECT_TRUE(Problem.isEmpty()) << C.Text << ": " << Problem.toStdString();
        EXPECT_EQ(R.Host, QString::fromLatin1(C.Host));
        EXPECT_EQ(R.Port, C.Port) << C.Text;
    }
}

TEST(VxCommands, EveryCommandReadsItsOptionsAlike)
{
    const QStringList Network = {"daytime", "dns", "http", "image", "links", "ls", "mail", "rss", "sntp", "update", "whois"};
    for (const vx::CommandInfo& C : vx::Commands()) {
        if (C.Name.startsWith("test"))
            continue;
        VxResult R = RunVx({C.Name, "--bogus=1"});
        EXPECT_EQ(R.Status, 64) << C.Name.toStdString();
        EXPECT_EQ(R.Err, QStringLiteral("vx: %1: unknown option '--bogus' (see vx %1 --help)\n").arg(C.Name).toUtf8());
        EXPECT_EQ(R.Out, QByteArray());
        R = RunVx({C.Name, "x", "--help"});
        EXPECT_EQ(R.Status, C.Name == "run" ? 64 : 0) << C.Name.toStdString();  // run: the help of class x
        if (Network.contains(C.Name)) {
            EXPECT_TRUE(R.Out.contains("--timeout SECONDS ")) << R.Out.toStdString();
            EXPECT_EQ(RunVx({C.Name, "x", "--timeout=-1"}).Status, 64) << C.Name.toStdString();
        }
    }
}

TEST(VxCommands, SocketCommandsWriteThroughTheConsoleAndHonourTheTimeout)
{
    TScriptedServer Whois([](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send("caf\xc3\xa9 \x80\xff\r\n");
        C.Close();
    });
    VxResult R = RunVx({"whois", "example.org", "--server", QStringLiteral("127.0.0.1:%1").arg(Whois.Port())});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, QByteArray("caf\xc3\xa9 \x80\xff\r\n"));

    // A character beyond the Basic Multilingual Plane comes out whole, in UTF-8.
    R = RunVx({"dns", "example.org", "\xf0\x9f\x98\x80"});
    EXPECT_EQ(R.Status, 64);
    EXPECT_TRUE(R.Err.startsWith("vx: dns: unknown record kind '\xf0\x9f\x98\x80'")) << R.Err.toStdString();

    for (const char* Command : {"whois", "http"}) {
        TScriptedServer Silent([](TConnection& C) { C.ReadAll(10000); });
        const QString Target = QStringLiteral("127.0.0.1:%1").arg(Silent.Port());
        R = RunVx(QString::fromLatin1(Command) == "whois" ? QStringList{"whois", "example.org", "--server", Target, "--timeout", "0.3"}
                                                          : QStringList{"http", Target, "/", "--timeout=0.3"});
        EXPECT_EQ(R.Status, 2) << Command;
        EXPECT_TRUE(R.Err.startsWith(QStringLiteral("vx: %1: ").arg(Command).toUtf8())) << R.Err.toStdString();
    }
}
