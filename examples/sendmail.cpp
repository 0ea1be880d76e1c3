// Sends a short mail with an optional attachment through an SMTP server.
//
//   example_sendmail HOST PORT FROM TO [FILE]
//
// Set SMTP_USER and SMTP_PASSWORD in the environment to log in first.
#include <vedidoredo/VxISMTP.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() < 5) {
        std::fputs("usage: example_sendmail HOST PORT FROM TO [FILE]\n", stderr);
        return 64;
    }

    TVxISMTP Mail;
    Mail.SetHost(Args.at(1));
    Mail.SetPort(Args.at(2).toInt());
    Mail.SetTimeout(60 * 1000);  // give up when the server is silent for a minute

    // Addresses take "Name <address>", "address (Name)" or a bare address; the lists
    // take several of them separated by commas.
    Mail.From()->SetText(Args.at(3));
    Mail.Recipients()->SetEMailAddresses(Args.at(4));
    Mail.SetSubject(QStringLiteral("Greetings from VeDidoredo"));
    Mail.SetPriority(spHigh);
    Mail.SetBody({QStringLiteral("Hello,"), QString(),
                  QStringLiteral("this message was sent by the sendmail example."),
                  QStringLiteral("Regards")});

    if (Args.size() > 5) {
        TVxIEMailAttachment* File = Mail.Attachments()->Add();
        File->SetFileName(Args.at(5));
        File->DetectContentType();  // from the extension; base64 encoding by default
    }

    if (qEnvironmentVariableIsSet("SMTP_USER")) {
        Mail.Login()->SetUseLogin(true);
        Mail.Login()->SetUserID(qEnvironmentVariable("SMTP_USER"));
        Mail.Login()->SetPassword(qEnvironmentVariable("SMTP_PASSWORD"));
    }

    Mail.SetOnAfterExecute([](QObject*, QString&) { std::puts("Message handed to the server."); });

    try {
        Mail.Execute();
    } catch (const EVxError& E) {
        // No host, no connection, bad input such as an unreadable attachment, or the
        // server's refusal ("RCPT TO:<x@example.org> refused: 550 5.1.1 no such user
        // (mail.example.org:25)").
        std::fprintf(stderr, "not sent: %s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
