#include <vedidoredo/VxISMTP.h>

#include <gtest/gtest.h>

namespace {

std::pair<QString, QString> Parse(const QString& Text)
{
    TVxIEMailAddress A;
    A.SetText(Text);
    return {A.Name(), A.Address()};
}

using NA = std::pair<QString, QString>;

}  // namespace

TEST(MailAddress, ParsesBothNotationsAndTrims)
{
    EXPECT_EQ(Parse("Ann Lee <ann@example.org>"), NA("Ann Lee", "ann@example.org"));
    EXPECT_EQ(Parse("ann@example.org (Ann Lee)"), NA("Ann Lee", "ann@example.org"));
    EXPECT_EQ(Parse("  Ann \t< ann@example.org\x01 >"), NA("Ann", "ann@example.org"));
    EXPECT_EQ(Parse("<ann@example.org>"), NA("", "ann@example.org"));
    // Anything after the closing bracket makes the whole text the address, untrimmed.
    EXPECT_EQ(Parse(" Ann <ann@example.org> "), NA("", " Ann <ann@example.org> "));
    // A closing bracket without its opening one gives nothing.
    EXPECT_EQ(Parse("Ann ann@example.org>"), NA("", ""));
    EXPECT_EQ(Parse("ann@example.org Ann)"), NA("", ""));
    EXPECT_EQ(Parse(""), NA("", ""));
    EXPECT_EQ(Parse(">"), NA("", ""));
    EXPECT_EQ(Parse("<>"), NA("", ""));
}

TEST(MailAddress, PeelsQuotesOffTheName)
{
    EXPECT_EQ(Parse("\"Lee, Ann\" <ann@example.org>"), NA("Lee, Ann", "ann@example.org"));
    EXPECT_EQ(Parse("'\"Ann\"' <a@b>").first, "Ann");
    EXPECT_EQ(Parse("\"Ann' <a@b>").first, "\"Ann'");  // unmatched quotes stay
    EXPECT_EQ(Parse("\" <a@b>").first, "\"");           // a lone quote is not a pair
    EXPECT_EQ(Parse("\"\" <a@b>").first, "");
}

TEST(MailAddress, PrintsNameUnlessItIsTheAddressInCapitals)
{
    TVxIEMailAddress A;
    A.SetText("Ann Lee <ann@example.org>");
    EXPECT_EQ(A.GetText(), "Ann Lee <ann@example.org>");
    A.SetName("ANN@EXAMPLE.ORG");
    EXPECT_EQ(A.GetText(), "ann@example.org");
    A.SetName("ann@example.org");  // only the capitals form is dropped
    EXPECT_EQ(A.GetText(), "ann@example.org <ann@example.org>");
    A.SetText("<ann@example.org>");
    EXPECT_EQ(A.GetText(), "ann@example.org");
    A.SetText("\"Lee, Ann\" <ann@example.org>");
    EXPECT_EQ(A.GetText(), "Lee, Ann <ann@example.org>");  // no quotes added
}

TEST(MailAddressList, SplitsAtCommasOutsideTheFirstQuotedRun)
{
    TVxIEMailAddresses L;
    L.SetEMailAddresses("a1@x.org, \"Lee, Ann\" <a2@x.org>,, a3@x.org,");
    ASSERT_EQ(L.Count(), 3);
    EXPECT_EQ(L.Items(0)->Address(), "a1@x.org");
    EXPECT_EQ(L.Items(1)->Name(), "Lee, Ann");
    EXPECT_EQ(L.Items(1)->Address(), "a2@x.org");
    EXPECT_EQ(L.Items(2)->Address(), "a3@x.org");
    EXPECT_EQ(L.GetEMailAddresses(), "a1@x.org, Lee, Ann <a2@x.org>, a3@x.org");

    // After a closed quote, and inside a second quoted run, a comma splits.
    L.SetEMailAddresses("\"A\" b, c@x");
    EXPECT_EQ(L.Count(), 2);
    L.SetEMailAddresses("\"A\" \"b, c\" <d@x>");
    ASSERT_EQ(L.Count(), 2);
    EXPECT_EQ(L.Items(0)->Address(), "\"A\" \"b");
    // Semicolons do not separate; each entry starts counting quotes afresh.
    L.SetEMailAddresses("a@x; b@x, \"c, d\" <e@x>");
    ASSERT_EQ(L.Count(), 2);
    EXPECT_EQ(L.Items(0)->Address(), "a@x; b@x");
    EXPECT_EQ(L.Items(1)->Name(), "c, d");

    L.SetEMailAddresses("");
    EXPECT_EQ(L.Count(), 0);
    EXPECT_EQ(L.GetEMailAddresses(), "");
    L.SetEMailAddresses(" , ,, ");
    EXPECT_EQ(L.Count(), 0);
}

TEST(MailAddressList, FillTStringsAppendsAndOwnerIsKept)
{
    QObject Owner;
    TVxIEMailAddresses L(&Owner);
    EXPECT_EQ(L.VxIControl(), &Owner);
    EXPECT_EQ(L.GetOwner(), &Owner);
    L.SetEMailAddresses("Ann <a@x>, b@x");
    QStringList Lines{"first"};
    L.FillTStrings(Lines);
    EXPECT_EQ(Lines, QStringList({"first", "Ann <a@x>", "b@x"}));
    EXPECT_EQ(L.Items(1)->Collection(), &L);
    EXPECT_THROW(L.Items(2), EVxError);
}

TEST(MailAttachment, NameFallsBackToTheFilePartOfFileName)
{
    TVxIEMailAttachment A;
    A.SetFileName("/home/ann/report 2024.pdf");
    EXPECT_EQ(A.GetAttachmentName(), "report 2024.pdf");
    A.SetFileName("C:\\Users\\ann\\a.txt");
    EXPECT_EQ(A.GetAttachmentName(), "a.txt");
    A.SetFileName("C:b.txt");
    EXPECT_EQ(A.GetAttachmentName(), "b.txt");
    A.SetFileName("plain");
    EXPECT_EQ(A.GetAttachmentName(), "plain");
    A.SetAttachmentName("Shown.pdf");
    EXPECT_EQ(A.GetAttachmentName(), "Shown.pdf");
    A.SetFileName("/tmp/x.unknownextension");
    A.DetectContentType();
    EXPECT_EQ(A.ContentType(), "application/octet-stream");
}

TEST(MailObjects, AssignCopiesSameClassAndRefusesOthers)
{
    TVxIEMailAddress A, B;
    A.SetText("Ann <a@x>");
    B.Assign(&A);
    EXPECT_EQ(B.GetText(), "Ann <a@x>");

    TVxIEMailAttachment T, U;
    T.SetAttachmentName("n");
    T.SetContentType("c");
    T.SetEncoding("e");
    T.SetFileName("f");
    U.Assign(&T);
    EXPECT_EQ(QStringList({U.AttachmentName(), U.ContentType(), U.Encoding(), U.FileName()}),
              QStringList({"n", "c", "e", "f"}));

    TVxILogin L, M;
    L.SetUserID("u");
    L.SetPassword("p");
    L.SetUseLogin(true);
    M.Assign(&L);
    EXPECT_EQ(M.UserID(), "u");
    EXPECT_EQ(M.Password(), "p");
    EXPECT_TRUE(M.UseLogin());

    EXPECT_THROW(A.Assign(&T), EVxConvertError);
    EXPECT_THROW(L.Assign(&A), EVxConvertError);

    TVxIEMailAddresses X, Y;
    X.SetEMailAddresses("a@x, Bo <b@x>");
    Y.Assign(&X);
    EXPECT_EQ(Y.GetEMailAddresses(), "a@x, Bo <b@x>");
    TVxIEMailAttachments Z;
    EXPECT_THROW(Z.Assign(&X), EVxConvertError);
}
