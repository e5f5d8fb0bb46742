#include "Parlino/Panel/WarningPopupView.h"

#include "Parlino/Style/NumberText.h"

#include "Parlino/Panel/NoticeStyle.h"
#include "Parlino/Panel/WarningGeometryBox.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

namespace Parlino {

namespace {

constexpr double slideSeconds = 0.18;
constexpr qreal cornerRadius = 12;
constexpr int dismissSide = 17;

} // namespace

WarningPopupContent warningPopupContent(const ActiveWarning& warning, const QLocale& locale) {
    switch (warning.kind()) {
    case ActiveWarning::Kind::usageLow: {
        QLocale grouped = locale;
        grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
        return {NumberText::grouped(warning.charactersLeft(), grouped) +
                    QStringLiteral(" Tokens Left"),
                QStringLiteral("Upgrade"), subscriptionPage()};
    }
    case ActiveWarning::Kind::noKey:
        return {QStringLiteral("No API Key"), QStringLiteral("Get a Key ↗"), apiKeysPage()};
    case ActiveWarning::Kind::none:
        return {};
    }
    Q_UNREACHABLE();
}

QUrl subscriptionPage() {
    static const QUrl page(QStringLiteral("https://elevenlabs.io/app/subscription"));
    return page;
}

// The pill's red ground; its children are the line and the two buttons.
class WarningPopupView::Pill final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedShape(rect(), cornerRadius, Theme::cornerStyle), Theme::deepRed());
    }
};

// A small dark disc with a cross.
class WarningPopupView::DismissButton final : public ParlinoButton {
public:
    explicit DismissButton(const MotionContext& motion)
        : ParlinoButton(ParlinoButtonStyle::standard(), motion) {
        setObjectName(QStringLiteral("WarningDismiss"));
        setAccessibleName(tr("Dismiss"));
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(dismissSide, dismissSide);
    }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.22f));
        painter.drawEllipse(rect);
        Icons::paint(painter, rect, QStringLiteral("xmark"), 9, Theme::white(0.9),
                     Icons::Weight::bold);
    }
};

WarningPopupView::WarningPopupView(WarningModel& warningModel, WarningGeometryBox& geometry,
                                   const MotionContext& motion, std::function<void()> onPrimary,
                                   std::function<void()> onClose, QWidget* parent)
    : QWidget(parent), m_warningModel(warningModel), m_geometry(geometry),
      m_onPrimary(std::move(onPrimary)), m_onClose(std::move(onClose)),
      m_reveal(motion,
               [](bool revealing) {
                   return revealing ? Curve::easeOut(slideSeconds) : Curve::easeIn(slideSeconds);
               }),
      m_pill(new Pill(this)), m_text(new QLabel),
      m_primary(new ParlinoTextButton({}, noticeFont(13, QFont::Medium), Theme::skyBlue(),
                                      ParlinoButtonStyle::standard(), motion)),
      m_frames(
          *this, motion.scheduler, [this] { placePill(); },
          [this] { return !m_reveal.isSettled(); }) {
    setObjectName(QStringLiteral("WarningPopupView"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_pill->setObjectName(QStringLiteral("WarningPill"));
    m_text->setObjectName(QStringLiteral("WarningText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(noticeFont(13, QFont::DemiBold));
    m_text->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    m_text->setPalette(palette);
    m_primary->setObjectName(QStringLiteral("WarningPrimary"));
    m_primary->setFocusPolicy(Qt::NoFocus);
    m_primary->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* dismiss = new DismissButton(motion);

    auto* row = new QHBoxLayout(m_pill);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(10);
    row->addWidget(m_text, 0, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(m_primary, 0, Qt::AlignVCenter);
    row->addWidget(dismiss, 0, Qt::AlignVCenter);

    connect(m_primary, &QAbstractButton::clicked, this, [this] {
        const QUrl page = warningPopupContent(m_warningModel.current()).page;
        if (!page.isEmpty() && openURL)
            openURL(page);
        if (m_onPrimary)
            m_onPrimary();
    });
    connect(dismiss, &QAbstractButton::clicked, this, [this] {
        if (m_onClose)
            m_onClose();
    });
    connect(&warningModel, &WarningModel::currentChanged, this, [this] { showWarning(); });
    connect(&geometry, &WarningGeometryBox::revealedChanged, this, [this] {
        m_reveal.setRevealed(m_geometry.revealed());
        placePill();
        m_frames.start();
    });
    connect(&geometry, &WarningGeometryBox::presentationIDChanged, this, [this] {
        m_reveal.jumpTo(m_geometry.revealed());
        placePill();
    });
    connect(&geometry, &WarningGeometryBox::pillHeightChanged, this, [this] { placePill(); });

    m_reveal.jumpTo(geometry.revealed());
    showWarning();
    placePill();
}

WarningPopupView::~WarningPopupView() = default;

QRectF WarningPopupView::pillRect() const {
    const qreal pillHeight = m_geometry.pillHeight();
    return {0, height() - pillHeight + m_reveal.offset(pillHeight), qreal(width()), pillHeight};
}

void WarningPopupView::showWarning() {
    const WarningPopupContent content = warningPopupContent(m_warningModel.current());
    m_text->setText(content.text);
    m_primary->setText(content.primaryTitle);
    m_primary->setAccessibleName(spokenTitle(content.primaryTitle));
    m_primary->setVisible(!content.primaryTitle.isEmpty());
    m_primary->updateGeometry();
}

void WarningPopupView::placePill() {
    m_pill->setGeometry(pillRect().toAlignedRect());
    setSurfaceOpacity(*m_pill, m_reveal.opacity());
}

void WarningPopupView::resizeEvent(QResizeEvent*) {
    placePill();
}

} // namespace Parlino
