// The shared look, applied per widget so that each window stays self-contained.
#include "platform/look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QProxyStyle>
#include <QSet>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>

namespace folio::look {
namespace {

// The application's style with the text box panel drawn into a picture at its second paint and
// reused for every later paint with the same size, state, palette and pixel ratio.
class CachedFrameStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (element != PE_PanelLineEdit || !frame || frame->rect.isEmpty()) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const QString key = QStringLiteral("folio-textbox-%1-%2x%3-%4-%5-%6-%7")
                                .arg(static_cast<uint>(frame->state))
                                .arg(frame->rect.width())
                                .arg(frame->rect.height())
                                .arg(frame->palette.cacheKey())
                                .arg(ratio)
                                .arg(frame->lineWidth)
                                .arg(static_cast<int>(frame->features));
        QPixmap picture;
        if (!QPixmapCache::find(key, &picture)) {
            // A frame is drawn straight the first time: a window's first showing paints each
            // of its text boxes once, and a picture is worth making only for a frame painted
            // again. The keys seen are few (sizes, states, palettes); a window resized at length
            // could make many, and the list then starts again.
            if (drawnOnce_.size() > kMaxDrawnOnce)
                drawnOnce_.clear();
            if (!drawnOnce_.contains(key)) {
                drawnOnce_.insert(key);
                QProxyStyle::drawPrimitive(element, option, painter, widget);
                return;
            }
            picture = QPixmap(frame->rect.size() * ratio);
            picture.setDevicePixelRatio(ratio);
            picture.fill(Qt::transparent);
            QStyleOptionFrame atOrigin(*frame);
            atOrigin.rect.moveTo(0, 0);
            QPainter onPicture(&picture);
            QProxyStyle::drawPrimitive(element, &atOrigin, &onPicture, widget);
            onPicture.end();
            QPixmapCache::insert(key, picture);
        }
        painter->drawPixmap(frame->rect.topLeft(), picture);
    }

private:
    static constexpr qsizetype kMaxDrawnOnce = 256;
    mutable QSet<QString> drawnOnce_;
};

QStyle* cachedFrameStyle() {
    // One for the whole program, owned by the application so that it ends with it.
    static QPointer<CachedFrameStyle> style;
    if (!style) {
        style = new CachedFrameStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace

QFont verdana(int points) {
    QFont font(QStringLiteral("Verdana"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void setWhiteBackground(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Qt::white);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

QFont msSansSerif(int points) {
    QFont font(QStringLiteral("MS Sans Serif"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void styleButton(QAbstractButton* button, int points) {
    styleButton(button, verdana(points), kButtonBlue);
}

void styleButton(QAbstractButton* button, const QFont& font, const QColor& background) {
    button->setFont(font);
    button->setStyleSheet(QStringLiteral("QAbstractButton { background-color: %1; color: black;"
                                         " border: 1px solid #7a9cc6; border-radius: 2px; }"
                                         "QAbstractButton:pressed { background-color: #8ab8f0; }"
                                         "QAbstractButton:focus { border: 2px solid #2a6ad0; }"
                                         "QAbstractButton:disabled { color: #8a8a8a; }")
                              .arg(background.name()));
}

void styleBlueText(QWidget* widget, int points) {
    widget->setFont(verdana(points));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, kBlueText);
    palette.setColor(QPalette::WindowText, kBlueText);
    // A drop-down list paints its shown choice as a button caption.
    palette.setColor(QPalette::ButtonText, kBlueText);
    widget->setPalette(palette);
}

void showPath(QLabel* label, const QString& path) {
    const QFontMetrics metrics = label->fontMetrics();
    const int room = std::max(0, label->contentsRect().width() - 2 * label->margin() -
                                     std::max(label->indent(), 0));
    QString shown = path;
    if (metrics.horizontalAdvance(path) > room) {
        // The folder gives way first; the file name only when it cannot fit on its own.
        const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
        const QString name = path.mid(cut);
        const int nameWidth = metrics.horizontalAdvance(name);
        // One pixel spare: the widths of two parts may round differently than their sum.
        shown =
            cut > 0 && nameWidth < room
                ? metrics.elidedText(path.left(cut), Qt::ElideMiddle, room - nameWidth - 1) + name
                : metrics.elidedText(path, Qt::ElideLeft, room);
    }
    label->setText(shown);
    label->setToolTip(path);
}

void cacheFramePainting(QLineEdit* box) {
    box->setStyle(cachedFrameStyle());
}

} // namespace folio::look
