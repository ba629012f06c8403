// folio_demo: writes a demo installation folder, for trying Folioscribe out and for benchmarks.
// Usage: folio_demo FOLDER [--entries N] [--page-size WxH] [--distinct-pages N]
//                          [--every-entry-has-pages] [--older-installation | --delivery-files]
//        folio_demo --other FOLDER [--page-size WxH]   (a second stand to absorb scores from)
#include "demo/generator/demo_installation.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

// What to write into the folder.
enum class Kind { Demo, OlderInstallation, DeliveryFiles, OtherStand };

struct Arguments {
    std::filesystem::path folder;
    folio::demo::DemoOptions options;
    Kind kind = Kind::Demo;
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
    const QCommandLineOption older(
        QStringLiteral("older-installation"),
        QStringLiteral("Write an installation of the previous stand version, with its page "
                       "lumivora_4.html and without playlists or MIDI file."));
    const QCommandLineOption delivery(
        QStringLiteral("delivery-files"),
        QStringLiteral("Write the files the upgrade tool delivers beside the programs."));
    const QCommandLineOption other(
        QStringLiteral("other"),
        QStringLiteral("Write a second stand with other scores, to try out \"Merging\"."));
    parser.addOptions({entries, pageSize, distinct, everyEntry, older, delivery, other});
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
    if (int(parser.isSet(older)) + int(parser.isSet(delivery)) + int(parser.isSet(other)) > 1) {
        std::fprintf(stderr, "folio_demo: --older-installation, --delivery-files and --other "
                             "exclude each other.\n");
        return false;
    }
    if (parser.isSet(older))
        arguments.kind = Kind::OlderInstallation;
    else if (parser.isSet(delivery))
        arguments.kind = Kind::DeliveryFiles;
    else if (parser.isSet(other))
        arguments.kind = Kind::OtherStand;
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
    if (arguments.kind == Kind::DeliveryFiles) {
        if (!folio::demo::generateDeliveryFiles(arguments.folder, &error)) {
            std::fprintf(stderr, "folio_demo: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("Delivered files written to %s\n", arguments.folder.string().c_str());
        return 0;
    }
    if (arguments.kind == Kind::OtherStand) {
        if (!folio::demo::generateOtherDemoInstallation(arguments.folder,
                                                        arguments.options.pageSize, &error)) {
            std::fprintf(stderr, "folio_demo: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("Second demo stand written to %s\n", arguments.folder.c_str());
        return 0;
    }
    const bool written =
        arguments.kind == Kind::OlderInstallation
            ? folio::demo::generateOlderInstallation(arguments.folder, arguments.options, &error)
            : folio::demo::generateDemoInstallation(arguments.folder, arguments.options, &error);
    if (!written) {
        std::fprintf(stderr, "folio_demo: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s with %d scores written to %s in %.1f s\n",
                arguments.kind == Kind::OlderInstallation ? "Older installation"
                                                          : "Demo installation",
                arguments.options.entries, arguments.folder.string().c_str(),
                static_cast<double>(timer.elapsed()) / 1000.0);
    return 0;
}
