// SPDX-License-Identifier: Apache-2.0
#include "info/AboutBoxUnit.h"

#include "info/AboutBoxTexts.h"
#include "info/ExploreWeb.h"
#include "info/InfoFonts.h"
#include "info/ProgramVersion.h"
#include "ui/Centre.h"
#include "ui/QtText.h"
#include "ui/Termination.h"
#include "resources/KevoResources.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace kevo::info {
namespace {

constexpr int kClientWidth = 341;
constexpr int kClientHeight = 323;
constexpr int kFooterHeight = 99;
// The right edge of the footer's right-aligned labels.
constexpr int kFooterRight = 329;
// The least room between the memory label and its number.
constexpr int kLabelGap = 6;
// Where the memory label stands, and the footer's left margin.
constexpr int kMemoryLabelLeft = 72;
constexpr int kFooterMargin = 8;
// How often a running opener is looked at.
constexpr int kOpenerPollMs = 50;

// A label of a fixed size whose text wraps at its width.
QLabel* MakeWrappingLabel(QWidget* parent, const char* name, const QString& text,
                          const QRect& geometry) {
    auto* label = ui::MakeLabel(parent, name, text, geometry.left(), geometry.top());
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

// The web site and e-mail links: blue and underlined, opened by a left
// click, and reached by Tab and opened with Enter or Space like a button,
// with the focus frame round the text. A screen reader finds a link that
// it can press.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
        setTextFormat(Qt::PlainText);
        setFocusPolicy(Qt::StrongFocus);
    }
    std::function<void()> open;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool press = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                           event->key() == Qt::Key_Space;
        if (press && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && open) {
            open();
            return;
        }
        QLabel::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
};

class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // Later, not inside the screen reader's call: opening may show a
        // message box.
        auto* link = static_cast<LinkLabel*>(widget());
        QTimer::singleShot(0, link, [link] {
            if (link->open)
                link->open();
        });
    }
};

// Asked for each class from the most derived on, before Qt's own
// interface for QLabel.
QAccessibleInterface* LinkAccessibleFactory(const QString& /*className*/, QObject* object) {
    if (auto* link = qobject_cast<LinkLabel*>(object))
        return new LinkAccessible(link);
    return nullptr;
}

LinkLabel* MakeLink(QWidget* parent, const char* name, const QString& text, int left, int top) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(LinkAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    auto* label = new LinkLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    return label;
}

// A label of a fixed size whose text wraps at its width, with the lines
// spaced as Arial spaces them. The faces that stand in for Arial where it is
// not installed have its widths but larger line spacing, and two lines of
// them would not fit the product name's fixed 49-pixel height.
class ArialLinesLabel : public QLabel {
public:
    ArialLinesLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal pixels = QFontInfo(font()).pixelSize();
        // Arial's ascent and descent, in parts of its em.
        const qreal lineHeight = std::ceil(pixels * (0.905 + 0.212));
        const qreal baseline = std::round(pixels * 0.905);
        QTextLayout layout(text(), font());
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (qreal top = 0;; top += lineHeight) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width());
            line.setPosition(QPointF(0, top + baseline - line.ascent()));
        }
        layout.endLayout();
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        layout.draw(&painter, QPointF(0, 0));
    }
};

QLabel* MakeArialLabel(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry, const QFont& font) {
    auto* label = new ArialLinesLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    label->setGeometry(geometry);
    return label;
}

// A label that fits its text and keeps its right edge where it is.
void SetRightAligned(QLabel* label, const QString& text, int right) {
    label->setText(text);
    label->adjustSize();
    label->move(right - label->width(), label->y());
}

void SetFitting(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

void ReportOpenFailure(const QPointer<QWidget>& owner, const platform::OpenOutcome& outcome) {
    const auto message = ExploreWebMessage(ShellResultFor(outcome));
    if (!message || ui::Termination::Instance().Terminating())
        return;
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kExploreWebCaption),
                    ui::ToQString(*message), QMessageBox::Ok, owner.data());
    box.setObjectName(QStringLiteral("ExploreWebMessage"));
    box.exec();
}

} // namespace

AboutBoxServices AboutBoxServices::Program() {
    static const platform::HostSystemInformation system;
    return {&ProgramVersionInformation(), &system, &platform::SystemOpener()};
}

TfrmAboutBox::TfrmAboutBox(QWidget* parent) : TfrmAboutBox(AboutBoxServices::Program(), parent) {}

TfrmAboutBox::TfrmAboutBox(const AboutBoxServices& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(services) {
    Build();
}

void TfrmAboutBox::Build() {
    setObjectName(QStringLiteral("frmAboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFont(MsSansSerifFont(8));
    setFixedSize(kClientWidth, kClientHeight);

    imgProgramIcon = new QLabel(this);
    imgProgramIcon->setObjectName(QStringLiteral("imgProgramIcon"));
    imgProgramIcon->setGeometry(16, 16, 32, 32);
    imgProgramIcon->setScaledContents(true);
    imgProgramIcon->setPixmap(resources::ProgramIcon32());

    CompanyName = MakeArialLabel(this, "CompanyName", QStringLiteral("CompanyName"),
                                 QRect(72, 16, 249, 31), ArialFont(12, true));
    ProductName = MakeArialLabel(this, "ProductName", QStringLiteral("Product Name"),
                                 QRect(72, 48, 257, 49), ArialFont(16, true));
    Version = ui::MakeLabel(this, "Version", QStringLiteral("Version"), 72, 102);
    Copyright = ui::MakeLabel(this, "Copyright", QStringLiteral("Copyright"), 72, 124);
    Comments = ui::MakeLabel(this, "Comments", QStringLiteral("Comments"), 72, 146);
    auto* web = MakeLink(this, "lblWebAddress", ui::ToQString(MakerWebAddress()), 72, 168);
    web->open = [this] { lblWebAddressClick(); };
    lblWebAddress = web;
    auto* email = MakeLink(this, "lblEmail", ui::ToQString(MakerEmailAddress()), 72, 192);
    email->open = [this] { lblEmailClick(); };
    lblEmail = email;
    lblWebAddress->installEventFilter(this);
    lblEmail->installEventFilter(this);

    bvl1 = new QFrame(this);
    bvl1->setObjectName(QStringLiteral("bvl1"));
    bvl1->setFrameShape(QFrame::HLine);
    bvl1->setFrameShadow(QFrame::Sunken);
    bvl1->setGeometry(8, 216, 321, 2);

    pnl1 = new QWidget(this);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    pnl1->setGeometry(0, kClientHeight - kFooterHeight, kClientWidth, kFooterHeight);
    lbl1 =
        ui::MakeLabel(pnl1, "lbl1", QStringLiteral("Physical Memory Available to Windows:"),
                            kMemoryLabelLeft, 11);
    lblFreeMem = ui::MakeLabel(pnl1, "lblFreeMem", QString(), 0, 11);
    lblFreeMem->setAlignment(Qt::AlignRight | Qt::AlignTop);
    SetRightAligned(lblFreeMem, QStringLiteral("lblFreeMem"), kFooterRight);
    lbl2 = ui::MakeLabel(pnl1, "lbl2", QStringLiteral("Memory in Use"), 72, 29);
    lblResources = ui::MakeLabel(pnl1, "lblResources", QString(), 0, 29);
    lblResources->setAlignment(Qt::AlignRight | Qt::AlignTop);
    SetRightAligned(lblResources, QStringLiteral("Resources"), kFooterRight);
    Platform =
        MakeWrappingLabel(pnl1, "Platform", QStringLiteral("Platform"), QRect(72, 47, 256, 34));

    btnOK = new QPushButton(QStringLiteral("OK"), pnl1);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(255, 67, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // The box opens on OK; Tab goes on to the links.
    btnOK->setFocus();
}

void TfrmAboutBox::FormShow() {
    const AboutBoxTexts texts = GatherAboutBoxTexts(*services_.version, *services_.system,
                                                    QLocale().groupSeparator().toStdString());
    SetFitting(Version, ui::ToQString(texts.version));
    Platform->setText(ui::ToQString(texts.platform));
    SetRightAligned(lblResources, ui::ToQString(texts.resources), kFooterRight);
    SetFitting(lbl1, ui::ToQString(texts.memoryLabel));
    SetRightAligned(lblFreeMem, ui::ToQString(texts.freeMem), kFooterRight);
    // A long number moves its label left, as far as the footer's margin,
    // so that both show whole.
    const int needed = lbl1->width() + kLabelGap + lblFreeMem->width();
    lbl1->move(std::clamp(kFooterRight - needed, kFooterMargin, kMemoryLabelLeft), lbl1->y());
    // A number longer still keeps a gap to its label, even if it then
    // reaches past the usual right edge.
    const int clear = lbl1->geometry().right() + kLabelGap;
    if (lblFreeMem->x() < clear)
        lblFreeMem->move(clear, lblFreeMem->y());
    if (texts.strings) {
        const auto& values = *texts.strings;
        ProductName->setText(ui::ToQString(values[kSlotProductName]));
        CompanyName->setText(ui::ToQString(values[kSlotCompanyName]));
        SetFitting(Comments, ui::ToQString(values[kSlotComments]));
        SetFitting(Copyright, ui::ToQString(values[kSlotLegalCopyright]));
    }
}

void TfrmAboutBox::lblWebAddressClick() {
    ExploreWeb(this, MakerWebTarget(), *services_.opener);
}

void TfrmAboutBox::lblEmailClick() {
    ExploreWeb(this, MakerEmailTarget(), *services_.opener);
}

void TfrmAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the desktop.
    ui::CentreOnScreen(this);
    FormShow();
}

void TfrmAboutBox::keyPressEvent(QKeyEvent* event) {
    // The box closes with OK, Enter or its close box; it has no Cancel
    // button for Esc to press.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmAboutBox::eventFilter(QObject* watched, QEvent* event) {
    // A click is a press and a release of the left button over the label.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == lblWebAddress || watched == lblEmail)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (watched == lblWebAddress)
                lblWebAddressClick();
            else
                lblEmailClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ExploreWeb(QWidget* owner, const std::string& target, platform::DesktopOpener& opener) {
    const std::shared_ptr<platform::OpenRequest> request = opener.Open(target);
    const QPointer<QWidget> guardedOwner(owner);
    const platform::OpenOutcome outcome = request->Outcome();
    if (outcome.state != platform::OpenOutcome::State::Running) {
        ReportOpenFailure(guardedOwner, outcome);
        return;
    }
    // The opener runs on; its end is looked at while the owner is open. The
    // watch ends with the owner: a failure after that is not reported.
    QObject* context =
        owner != nullptr ? static_cast<QObject*>(owner) : QCoreApplication::instance();
    auto* watch = new QTimer(context);
    watch->setInterval(kOpenerPollMs);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, request, guardedOwner] {
        const platform::OpenOutcome ended = request->Outcome();
        if (ended.state == platform::OpenOutcome::State::Running)
            return;
        watch->stop();
        watch->deleteLater();
        ReportOpenFailure(guardedOwner, ended);
    });
    watch->start();
}

void ShowAboutBox(QWidget* owner) {
    ShowAboutBox(owner, AboutBoxServices::Program());
}

void ShowAboutBox(QWidget* owner, const AboutBoxServices& services) {
    // A pending termination request keeps the window from opening.
    if (ui::Termination::Instance().TakesEffectBeforeModal())
        return;
    QPointer<TfrmAboutBox> box = new TfrmAboutBox(services, owner);
    const auto destroy = qScopeGuard([&box] { delete box.data(); });
    box->exec();
}

} // namespace kevo::info

#include "AboutBoxUnit.moc"
