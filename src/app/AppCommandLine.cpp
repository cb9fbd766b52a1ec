#include "app/AppCommandLine.h"

#include <SkyrigVersion.h>

#include <cstring>

bool AppCommandLine::answersAtOnce(int argc, char **argv, QString &text)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            text = usage();
            return true;
        }
        if (!std::strcmp(argv[i], "--version")) {
            text = versionText();
            return true;
        }
    }
    return false;
}

bool AppCommandLine::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool AppCommandLine::parse(const QStringList &arguments)
{
    bool delayGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        QString value;
        bool inlineValue = false;
        const int equals = option.indexOf(QLatin1Char('='));
        if (option.startsWith(QLatin1String("--")) && equals > 0) {
            value = option.mid(equals + 1);
            option = option.left(equals);
            inlineValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (inlineValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };
        if (option == QLatin1String("--smoke-album")) {
            m_smokeAlbum = true;
        } else if (option == QLatin1String("--lang")) {
            if (!takeValue() || (value != QLatin1String("en") && value != QLatin1String("zh")))
                return fail(QStringLiteral("--lang takes en or zh"));
            m_language = value;
        } else if (option == QLatin1String("--section")) {
            if (!takeValue() || value.trimmed().isEmpty())
                return fail(QStringLiteral("--section needs a section id"));
            m_section = value.trimmed();
        } else if (option == QLatin1String("--screenshot")) {
            if (!takeValue() || value.trimmed().isEmpty())
                return fail(QStringLiteral("--screenshot needs a file name"));
            m_screenshotFile = value.trimmed();
        } else if (option == QLatin1String("--screenshot-delay")) {
            bool ok = false;
            if (takeValue())
                m_screenshotDelayMs = value.toInt(&ok);
            if (!ok || m_screenshotDelayMs < 0)
                return fail(QStringLiteral("--screenshot-delay needs a time in milliseconds"));
            delayGiven = true;
        } else {
            return fail(QStringLiteral("unknown argument \"%1\"").arg(arguments.at(i)));
        }
    }
    if (delayGiven && m_screenshotFile.isEmpty())
        return fail(QStringLiteral("--screenshot-delay needs --screenshot FILE"));
    return true;
}

QString AppCommandLine::versionText()
{
    return QStringLiteral("skyrig " SKYRIG_VERSION "\n");
}

QString AppCommandLine::usage()
{
    return QStringLiteral(
        "Usage: skyrig [OPTION]...\n"
        "Ground station for gimbal cameras: steer the gimbal, set the cameras, watch and\n"
        "record the live video, browse the memory card, upgrade firmware and read the\n"
        "protocol log, over a serial line or UDP.\n"
        "\n"
        "Options:\n"
        "  --lang en|zh             language of the interface for this run (the stored\n"
        "                           choice stays as it was)\n"
        "  --section ID             open the main page at this section\n"
        "  --smoke-album            open the media album shortly after start\n"
        "  --screenshot FILE        start normally, save a picture of the window to FILE\n"
        "                           after the delay and exit\n"
        "  --screenshot-delay MS    wait before the screenshot (default 3000)\n"
        "  -h, --help               show this text and exit\n"
        "      --version            show the version and exit\n"
        "\n"
        "The toolkit's own options are accepted too, for example -platform offscreen.\n"
        "Settings and downloads are kept per user. Logs, screenshots and recordings go\n"
        "to the user's folders too, unless the program runs from a writable folder of\n"
        "its own (never when it is installed).\n");
}
