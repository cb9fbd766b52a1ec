#pragma once

#include <QString>
#include <QStringList>

// The interface program's own command line:
//
//   skyrig [--lang en|zh] [--section ID] [--smoke-album]
//          [--screenshot FILE [--screenshot-delay MS]] | --help | --version
//
// The toolkit's own options (-platform, -style...) are taken out by the
// application object first; what is left is checked here.
class AppCommandLine
{
public:
    static constexpr int DefaultScreenshotDelayMs = 3000;

    // True when the raw arguments ask only for --help/-h or --version (looked
    // for before the application object exists, so they work without a
    // display). `text` receives what to print.
    static bool answersAtOnce(int argc, char **argv, QString &text);

    // False with errorText() set when the line cannot be used.
    bool parse(const QStringList &arguments);
    QString errorText() const { return m_error; }

    QString language() const { return m_language; } // "en", "zh" or empty (the stored choice)
    QString section() const { return m_section; }   // empty: the scene's own choice
    bool smokeAlbum() const { return m_smokeAlbum; }
    QString screenshotFile() const { return m_screenshotFile; } // empty: no screenshot
    int screenshotDelayMs() const { return m_screenshotDelayMs; }

    static QString usage();
    static QString versionText();

private:
    bool fail(const QString &text);

    QString m_language;
    QString m_section;
    bool m_smokeAlbum = false;
    QString m_screenshotFile;
    int m_screenshotDelayMs = DefaultScreenshotDelayMs;
    QString m_error;
};
