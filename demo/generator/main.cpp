// folio_demo: writes a demo installation folder, for trying Folioscribe out and for benchmarks.
// Usage: folio_demo FOLDER [--entries N] [--page-size WxH] [--distinct-pages N]
//                          [--every-entry-has-pages]
#include "demo/generator/demo_installation.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

struct Arguments {
    std::filesystem::path folder;
    folio::demo::DemoOptions options;
};

bool parseCount(const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

bool parsePageSize(const QString& text, QSize& size) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)[xX](\\d+)$"));
    QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return true;
}

// Reads the command line; prints what is wrong and returns false on a bad one.
bool parseArguments(const QCoreApplication& application, Arguments& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a demo installation folder of Folioscribe."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("The installation folder (created if needed)."));
    const QCommandLineOption entries(QStringLiteral("entries"),
                                     QStringLiteral("Scores in the archive, 1 to 9999."),
                                     QStringLiteral("N"), QStringLiteral("12"));
    const QCommandLineOption pageSize(QStringLiteral("page-size"),
                                      QStringLiteral("Pixel size of the page images."),
                                      QStringLiteral("WxH"), QStringLiteral("595x842"));
    const QCommandLineOption distinct(
        QStringLiteral("distinct-pages"),
        QStringLiteral("Draw only N pages and hard-link the others to them."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption everyEntry(QStringLiteral("every-entry-has-pages"),
                                        QStringLiteral("Give every score a left and right page."));
    parser.addOptions({entries, pageSize, distinct, everyEntry});
    parser.process(application);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return false;
    }
    arguments.folder = std::filesystem::path(positional.first().toStdString());
    folio::demo::DemoOptions& options = arguments.options;
    if (!parseCount(parser.value(entries), options.entries) ||
        !parseCount(parser.value(distinct), options.distinctPages) ||
        !parsePageSize(parser.value(pageSize), options.pageSize)) {
        std::fprintf(stderr, "folio_demo: --entries and --distinct-pages take a number, "
                             "--page-size a size such as 2480x3508.\n");
        return false;
    }
    options.everyEntryHasPages = parser.isSet(everyEntry);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    // Drawing text needs a GUI application but no screen: run without one unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("folio_demo"));

    Arguments arguments;
    if (!parseArguments(application, arguments))
        return 2;

    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!folio::demo::generateDemoInstallation(arguments.folder, arguments.options, &error)) {
        std::fprintf(stderr, "folio_demo: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Demo installation with %d scores written to %s in %.1f s\n",
                arguments.options.entries, arguments.folder.string().c_str(),
                static_cast<double>(timer.elapsed()) / 1000.0);
    return 0;
}
