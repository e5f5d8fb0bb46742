#include "Parlino/Panel/PlainTextBlock.h"

#include "Parlino/Style/Theme.h"

#include <QTextDocument>
#include <QTextEdit>

namespace Parlino::PlainTextBlock {

namespace {

void setUp(QTextDocument& document, const QFont& font) {
    document.setDocumentMargin(0);
    document.setDefaultFont(font);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
}

} // namespace

QTextEdit* make(const QString& text, const QFont& font, QWidget* parent) {
    auto* view = new QTextEdit(parent);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view->setFocusPolicy(Qt::ClickFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Text, Theme::white60());
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    view->viewport()->setAutoFillBackground(false);
    view->setFont(font);
    setUp(*view->document(), font);
    view->setPlainText(text);
    return view;
}

// The view's own document follows the view's width, which a view not yet shown does not have: a
// document of the same text and options measures it.
qreal height(const QString& text, const QFont& font, int width) {
    QTextDocument document;
    setUp(document, font);
    document.setPlainText(text);
    document.setTextWidth(width);
    return document.size().height();
}

} // namespace Parlino::PlainTextBlock
