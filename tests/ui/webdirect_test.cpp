// The link directory window: its tree, its bullets and fonts, clicks, embedding in a
// control, several windows at once, and Execute against a local HTTP server.
#include "support/qstring_print.h"
#include "support/scripted_http_server.h"
#include "support/widgets_app.h"

#include <vedidoredo/platform/VxUiHooks.h>
#include <vedidoredo/vxidirect.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

bool IsBlue(const QIcon& Icon)
{
    const QColor C = Icon.pixmap(16, 16).toImage().pixelColor(9, 9);
    return C.blue() > C.red() + 60;
}

bool IsYellow(const QIcon& Icon)
{
    const QColor C = Icon.pixmap(16, 16).toImage().pixelColor(9, 9);
    return C.red() > 180 && C.green() > 120 && C.blue() < 100;
}

// "[Category] Caption ..." where a new link reads "Caption!": bold with the blue bullet.
// Any other mix of font and bullet reads "Caption?".
QString Render(const QTreeWidget* Tree)
{
    QStringList Parts;
    const auto Item = [](const QTreeWidgetItem* I) {
        const bool Bold = I->font(0).bold();
        const QString Mark = Bold && IsBlue(I->icon(0)) ? u"!"_s : !Bold && IsYellow(I->icon(0)) ? QString() : u"?"_s;
        return I->text(0) + Mark + (I->childCount() && !I->isExpanded() ? u"(collapsed)"_s : QString());
    };
    for (int C = 0; C < Tree->topLevelItemCount(); ++C) {
        const QTreeWidgetItem* Category = Tree->topLevelItem(C);
        Parts << u'[' + Item(Category) + u']';
        for (int L = 0; L < Category->childCount(); ++L)
            Parts << Item(Category->child(L));
    }
    return Parts.join(u' ');
}

bool Write(const QString& Path, const QByteArray& Data)
{
    QFile F(Path);
    return F.open(QIODevice::WriteOnly | QIODevice::Truncate) && F.write(Data) == Data.size();
}

void Click(TVxITreeView* Tree, QTreeWidgetItem* Item)
{
    const QPoint P = Tree->visualItemRect(Item).center();
    const QPoint G = Tree->viewport()->mapToGlobal(P);
    QMouseEvent Press(QEvent::MouseButtonPress, P, G, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent Release(QEvent::MouseButtonRelease, P, G, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Tree->viewport(), &Press);
    QApplication::sendEvent(Tree->viewport(), &Release);
}

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Counts the shows that Execute asks for.
class TCountingDirect : public TVxWebDirect {
public:
    int Shows = 0;

protected:
    void ShowDirectory(bool Wait) override
    {
        ++Shows;
        TVxWebDirect::ShowDirectory(Wait);
    }
};

class WebDirectWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        WidgetsApp();
        Saved = VxUiHooks();
        VxUiHooks().OpenUrl = [this](const QString& Url) {
            Opened << Url;
            return true;
        };
        D.SetCacheFileName(Dir.filePath(u"prog.wdx"_s));
    }
    void TearDown() override { VxSetUiHooks(Saved); }
    // The current and previous cache files: two categories, "Two" new.
    void WriteCaches()
    {
        ASSERT_TRUE(Write(D.CacheFileName(), "[News]\nhttp://a.example/1=One\nhttp://a.example/2=Two\n[Tips]\nhttp://b.example/=Tip\n"));
        ASSERT_TRUE(Write(D.PreviousCacheFileName(), "[News]\nhttp://a.example/1=Old caption\n[Tips]\nhttp://b.example/=Tip\n"));
    }

    TVxUiHooks Saved;
    QStringList Opened;
    QTemporaryDir Dir;
    TCountingDirect D;
};

}  // namespace

TEST_F(WebDirectWindow, ShowsTheTreeInAWindowOfItsOwn)
{
    WriteCaches();
    D.Show();
    const QPointer<TfrmVxWebDirect> W = D.Window();
    ASSERT_TRUE(W);
    EXPECT_EQ(D.Tree(), W->tree);
    EXPECT_EQ(Render(W->tree), u"[News] One Two! [Tips] Tip"_s);
    EXPECT_EQ(W->tree->currentItem(), W->tree->topLevelItem(0));
    EXPECT_TRUE(W->tree->hasMouseTracking());  // hot tracking
    EXPECT_EQ(W->tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(W->isWindow());
    EXPECT_TRUE(W->isVisible());
    EXPECT_EQ(W->windowTitle(), u"Quillmoss WebDirect"_s);
    EXPECT_EQ(W->size(), QSize(460, 320));
    EXPECT_LE((W->frameGeometry().center() - W->screen()->availableGeometry().center()).manhattanLength(), 40);
    EXPECT_EQ(TVxITreeView::NodeData(W->tree->topLevelItem(0)), nullptr);
    EXPECT_EQ(TVxITreeView::NodeData(W->tree->topLevelItem(0)->child(1))->Url, u"http://a.example/2"_s);
    W->close();
    FlushDeletes();
    EXPECT_FALSE(W);
    EXPECT_FALSE(D.Window());
}

TEST_F(WebDirectWindow, AClickOnALinkOpensItsAddressAndOnACategoryNothing)
{
    WriteCaches();
    D.Show();
    TVxITreeView* Tree = D.Tree();
    ASSERT_TRUE(Tree);
    QCoreApplication::processEvents();
    Click(Tree, Tree->topLevelItem(0));
    Click(Tree, Tree->topLevelItem(1)->child(0));
    EXPECT_EQ(Opened, QStringList{u"http://b.example/"_s});
}

TEST_F(WebDirectWindow, AMissingOrSectionlessCacheGivesAnEmptyWindow)
{
    D.Show();
    ASSERT_TRUE(D.Window());
    EXPECT_EQ(D.Tree()->topLevelItemCount(), 0);
    ASSERT_TRUE(Write(D.CacheFileName(), "http://a.example/=no section\n"));
    D.Show();
    EXPECT_EQ(D.Tree()->topLevelItemCount(), 0);
}

TEST_F(WebDirectWindow, InAParentControlItFillsItAndShowModalReturnsAtOnce)
{
    WriteCaches();
    auto* Host = new QWidget;
    Host->resize(300, 200);
    Host->show();
    D.SetParentControl(Host);
    D.ShowModal();  // returns: nothing waits for a person here
    const QPointer<TfrmVxWebDirect> W = D.Window();
    ASSERT_TRUE(W);
    EXPECT_EQ(W->parentWidget(), Host);
    EXPECT_FALSE(W->isWindow());
    EXPECT_TRUE(W->isVisible());
    EXPECT_EQ(W->geometry(), Host->rect());
    Host->resize(380, 250);
    EXPECT_EQ(W->geometry(), QRect(0, 0, 380, 250));
    EXPECT_EQ(Render(W->tree), u"[News] One Two! [Tips] Tip"_s);
    delete Host;  // takes the window with it; the component forgets both
    EXPECT_FALSE(W);
    EXPECT_EQ(D.ParentControl(), nullptr);
    EXPECT_EQ(D.Window(), nullptr);
}

TEST_F(WebDirectWindow, WindowsOwnTheirDataAndCloseInEitherOrder)
{
    WriteCaches();
    for (const bool FirstGoesFirst : {true, false}) {
        SCOPED_TRACE(FirstGoesFirst);
        D.Show();
        const QPointer<TfrmVxWebDirect> A = D.Window();
        D.Show();
        const QPointer<TfrmVxWebDirect> B = D.Window();
        ASSERT_TRUE(A && B);
        ASSERT_NE(A, B);
        (FirstGoesFirst ? A : B)->close();
        FlushDeletes();
        const QPointer<TfrmVxWebDirect> Left = FirstGoesFirst ? B : A;
        ASSERT_TRUE(Left);
        EXPECT_EQ(Render(Left->tree), u"[News] One Two! [Tips] Tip"_s);
        Opened.clear();
        QCoreApplication::processEvents();
        Click(Left->tree, Left->tree->topLevelItem(0)->child(0));
        EXPECT_EQ(Opened, QStringList{u"http://a.example/1"_s});
        Left->close();
        FlushDeletes();
        EXPECT_FALSE(Left);
    }
    // Windows still open when the component goes are closed with it.
    QPointer<TfrmVxWebDirect> Open;
    {
        TVxWebDirect Other;
        Other.SetCacheFileName(D.CacheFileName());
        Other.Show();
        Open = Other.Window();
        ASSERT_TRUE(Open);
    }
    EXPECT_FALSE(Open);
}

TEST_F(WebDirectWindow, ExecuteAgainstAServerWithEachShowMode)
{
    std::mutex Lock;
    std::string Body = "[News]\nhttp://a.example/1=One\n";
    bool Missing = false;
    vxtest::TScriptedHttpServer Server([&](const std::string&) {
        std::lock_guard<std::mutex> G(Lock);
        if (Missing)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("404 Not Found", "<html>gone</html>")};
        return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response(
            "200 OK", Body, "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n")};
    });
    D.SetHost(u"127.0.0.1"_s);
    D.SetPort(Server.Port());
    D.SetRemoteFileName(u"/news.ini"_s);
    D.SetTimeout(10000);

    struct TRun {
        const char* Name;
        TVxIShowMode Mode;
        std::string Body;  // empty: the file is gone
        TVxIStatus Status;
        int Shows;         // shows so far
        QString Shown;     // the tree of a window shown, else nothing
    };
    const TRun Runs[] = {
        {"first run, ifchanged", omIfChanged, "[News]\nhttp://a.example/1=One\n", isFinished, 1, u"[News] One!"_s},
        {"unchanged, ifchanged", omIfChanged, "[News]\nhttp://a.example/1=One\n", isSkipped, 1, QString()},
        {"unchanged, always", omAlways, "[News]\nhttp://a.example/1=One\n", isSkipped, 2, u"[News] One"_s},
        {"a link added, never", omNever, "[News]\nhttp://a.example/1=One\nhttp://a.example/2=Two\n", isFinished, 2, QString()},
        {"file gone, always", omAlways, "", isNotFound, 3, u"[News] One Two"_s},
    };
    for (const TRun& Run : Runs) {
        SCOPED_TRACE(Run.Name);
        {
            std::lock_guard<std::mutex> G(Lock);
            Missing = Run.Body.empty();
            if (!Missing)
                Body = Run.Body;
        }
        D.SetShowMode(Run.Mode);
        QString Shown;
        if (!Run.Shown.isEmpty())
            WhenModal<TfrmVxWebDirect>([&](TfrmVxWebDirect* W) {
                Shown = Render(W->tree);
                W->close();
            });
        EXPECT_TRUE(D.Execute());
        EXPECT_EQ(D.Status(), Run.Status);
        EXPECT_EQ(D.Shows, Run.Shows);
        EXPECT_EQ(Shown, Run.Shown);
    }
    // After the run that added a link, only that link was new; the 404 page was not kept.
    EXPECT_EQ(QFile(D.CacheFileName()).size(), qint64(Body.size()));
}
