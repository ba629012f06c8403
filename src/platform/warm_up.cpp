// Qt's font database and its list of image format plugins are shared by all threads and guarded
// by their own locks: what the thread finds there the main thread finds ready.
#include "platform/warm_up.h"

#include "platform/look.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImageReader>

namespace folio {
namespace {

void setUpFonts() {
    QFontDatabase::families();
    QFontInfo(look::verdana(12)).family();
    QFontInfo(QGuiApplication::font()).family();
}

// Asking which plugin reads some bytes loads every image format plugin.
void loadImagePlugins() {
    QByteArray nothing;
    QBuffer bytes(&nothing);
    bytes.open(QIODevice::ReadOnly);
    QImageReader(&bytes).canRead();
}

} // namespace

WarmUp::WarmUp()
    : thread_([] {
          setUpFonts();
          loadImagePlugins();
      }) {}

WarmUp::~WarmUp() {
    thread_.join();
}

} // namespace folio
