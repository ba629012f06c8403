// The stand-in worker: the real worker's answers, bent for one file as its fault says.
#include "support/stand_in_worker.h"

#include "windows/pdf_import/pdf_worker.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace folio::test {
namespace {

void note(const QByteArray& verb, const QString& file) {
    QFile log(QString::fromLocal8Bit(qgetenv("FOLIO_STAND_IN_LOG")));
    if (log.open(QIODevice::Append))
        log.write(QByteArray::number(QCoreApplication::applicationPid()) + ' ' + verb + ' ' +
                  QFileInfo(file).fileName().toUtf8() + '\n');
}

[[noreturn]] void hangForever() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

// The real answer to a drawing, bent as fault says; empty when the stand-in stops instead.
QByteArray bent(const QByteArray& fault, const QByteArray& answer) {
    const qsizetype lineEnd = answer.indexOf('\n') + 1;
    QList<QByteArray> words = answer.left(lineEnd - 1).split(' ');
    QByteArray pages = answer.mid(lineEnd);
    if (words.size() != 6)
        return answer;
    if (fault == "garbage")
        pages.fill('x');
    else if (fault == "huge")
        return "pages " + words[1] + ' ' + words[2] + " 100000000000 " + words[4] + ' ' + words[5] +
               '\n';
    else if (fault == "count")
        words[1] = QByteArray::number(words[1].toInt() + 1);
    else if (fault == "size")
        words[2] =
            QByteArray::number(words[2].split('x')[0].toInt() - 1) + 'x' + words[2].split('x')[1];
    else if (fault == "half")
        return answer.left(lineEnd + pages.size() / 2);
    return words.join(' ') + '\n' + pages;
}

} // namespace

bool isStandInWorkerRun(int argc, char* argv[]) {
    return argc == 5 && std::strcmp(argv[1], kStandInWorker) == 0;
}

int runStandInWorker(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QByteArray fault = argv[2];
    const QString target = QString::fromLocal8Bit(argv[3]);
    QFile in;
    QFile out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    PdfPages pages;
    for (;;) {
        const QByteArray question = in.readLine().trimmed();
        if (question.isEmpty())
            return 0;
        const QByteArray verb = question.left(question.indexOf(' '));
        const QString file = QString::fromUtf8(QByteArray::fromHex(question.mid(verb.size() + 1)));
        note(verb, file);
        const bool aimed = QFileInfo(file).fileName().contains(target);
        if (aimed && ((verb == "count" && fault == "hang") || (verb == "draw" && fault == "slow")))
            hangForever();
        if (aimed && verb == "draw" && fault == "stop")
            std::_Exit(3);
        QByteArray answer = pdfWorkerAnswer(pages, question);
        if (aimed && verb == "draw")
            answer = bent(fault, answer);
        out.write(answer);
        out.flush();
        if (aimed && verb == "draw" && fault == "half")
            std::_Exit(3);
    }
}

} // namespace folio::test
