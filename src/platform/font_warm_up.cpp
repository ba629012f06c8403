// Qt's font database is shared by all threads and guarded by its own lock: what the thread finds
// there (the font list, the substitutes of the windows' typeface) the main thread finds ready.
#include "platform/font_warm_up.h"

#include "platform/look.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace folio {

FontWarmUp::FontWarmUp()
    : thread_([] {
          QFontDatabase::families();
          QFontInfo(look::verdana(12)).family();
          QFontInfo(QGuiApplication::font()).family();
      }) {}

FontWarmUp::~FontWarmUp() {
    thread_.join();
}

} // namespace folio
