#include "toolkit/TControl.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <QVariant>
#include <QtDebug>

#include "toolkit/TApplication.h"
#include "toolkit/TScreen.h"

namespace velmora::ui {

namespace {

constexpr const char* kKeeperName = "velmora_align_keeper";

bool MouseButtonOf(Qt::MouseButton qt, tMouseButton& button) {
    switch (qt) {
        case Qt::LeftButton:
            button = tMouseButton::Left;
            return true;
        case Qt::RightButton:
            button = tMouseButton::Right;
            return true;
        case Qt::MiddleButton:
            button = tMouseButton::Middle;
            return true;
        default:
            return false;
    }
}

// "left,top,right" / "akRight|akBottom": the anchored edges of a form's
// dynamic property. Returns false on a word it does not know.
bool ParseAnchors(const QString& text, tAnchors& anchors) {
    tAnchors result;
    const auto words = text.toLower().split(QRegularExpression("[,|+ ]+"), Qt::SkipEmptyParts);
    for (QString word : words) {
        if (word.startsWith("ak")) word.remove(0, 2);
        if (word == "left")
            result |= tAnchor::Left;
        else if (word == "top")
            result |= tAnchor::Top;
        else if (word == "right")
            result |= tAnchor::Right;
        else if (word == "bottom")
            result |= tAnchor::Bottom;
        else
            return false;
    }
    anchors = result;
    return true;
}

bool ParseAlign(const QString& text, tAlign& align) {
    QString word = text.trimmed().toLower();
    if (word.startsWith("al")) word.remove(0, 2);
    static const std::pair<const char*, tAlign> kNames[] = {
        {"none", tAlign::None}, {"top", tAlign::Top},     {"bottom", tAlign::Bottom},
        {"left", tAlign::Left}, {"right", tAlign::Right}, {"client", tAlign::Client}};
    for (const auto& [name, value] : kNames) {
        if (word == name) {
            align = value;
            return true;
        }
    }
    return false;
}

}  // namespace

// Watches a parent that has aligned or anchored children and places them
// again whenever the parent's size changes.
class tAlignKeeper : public QObject {
  public:
    explicit tAlignKeeper(QWidget* parent) : QObject(parent) {
        setObjectName(kKeeperName);
        parent->installEventFilter(this);
    }
    static void Attach(QWidget* parent) {
        if (parent && !parent->findChild<tAlignKeeper*>(kKeeperName, Qt::FindDirectChildrenOnly))
            new tAlignKeeper(parent);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == parent())
            tControlCore::RealignChildren(static_cast<QWidget*>(watched));
        return false;
    }
};

tControlCore::tControlCore(QWidget* self, bool clickFromMouse)
    : self_(self), clickFromMouse_(clickFromMouse) {
    self_->setMouseTracking(true);
}

tControlCore* tControlCore::Of(QObject* object) {
    return dynamic_cast<tControlCore*>(object);
}

bool tControlCore::Tracks(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::DynamicPropertyChange:
            return true;
        default:
            return false;
    }
}

void tControlCore::BeforeEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        leftPressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        afterDouble_ = false;
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        leftPressed_ = false;
        afterDouble_ = true;
    }
}

void tControlCore::AfterEvent(QEvent* event) {
    QPointer<QWidget> alive(self_);
    const QEvent::Type type = event->type();
    switch (type) {
        case QEvent::DynamicPropertyChange:
            ApplyDynamicProperty(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
            return;
        case QEvent::Enter:
            Raise(OnMouseEnter);
            return;
        case QEvent::Leave:
            Raise(OnMouseLeave);
            return;
        case QEvent::FocusIn:
            Raise(OnEnter);
            return;
        case QEvent::FocusOut:
            Raise(OnExit);
            return;
        default:
            break;
    }
    if (!self_->isEnabled()) return;
    auto* mouse = static_cast<QMouseEvent*>(event);
    mouse->accept();
    const QPoint pos = mouse->position().toPoint();
    const tShiftState shift = ShiftStateOf(*mouse);
    if (type == QEvent::MouseMove) {
        Raise(OnMouseMove, shift, pos.x(), pos.y());
        if (alive) TApplication::Instance().NoteMouseMove(*this, pos);
        return;
    }
    tMouseButton button;
    if (!MouseButtonOf(mouse->button(), button)) return;
    if (type == QEvent::MouseButtonPress) {
        Raise(OnMouseDown, button, shift, pos.x(), pos.y());
    } else if (type == QEvent::MouseButtonDblClick) {
        if (button == tMouseButton::Left) Raise(OnDblClick);
        if (alive) Raise(OnMouseDown, button, shift | tShift::Double, pos.x(), pos.y());
    } else {  // release
        const bool click = clickFromMouse_ && leftPressed_ && !afterDouble_ &&
                           button == tMouseButton::Left && self_->rect().contains(pos);
        if (button == tMouseButton::Left) leftPressed_ = false;
        if (click) Raise(OnClick);
        if (alive) Raise(OnMouseUp, button, shift, pos.x(), pos.y());
    }
}

void tControlCore::RepeatMouseMove(QPoint position) {
    if (!self_->isEnabled()) return;
    Raise(OnMouseMove, CurrentShiftState(), position.x(), position.y());
}

void tControlCore::SetBounds(int left, int top, int width, int height) {
    self_->setGeometry(left, top, width, height);
    CaptureAnchorReference();
    if (align_ != tAlign::None) RealignParent();
    RealignChildren(self_);
}

void tControlCore::SetVisible(bool visible) {
    if (Visible() == visible) return;
    Guarded([&] { self_->setVisible(visible); });
    if (align_ != tAlign::None) RealignParent();
}

void tControlCore::SetCursor(tCursor cursor) {
    cursor_ = cursor;
    if (cursor == kCursorDefault)
        self_->unsetCursor();
    else
        self_->setCursor(TScreen::Instance().Cursor(cursor));
}

void tControlCore::SetColor(const QColor& color) {
    color_ = color;
    if (color_.isValid()) ApplyColor();
}

void tControlCore::ApplyColor() {
    QPalette palette = self_->palette();
    palette.setColor(QPalette::Window, color_);
    self_->setPalette(palette);
    self_->setBackgroundRole(QPalette::Window);
    self_->setAutoFillBackground(true);
}

void tControlCore::SetAlign(tAlign align) {
    align_ = align;
    if (align_ != tAlign::None) {
        tAlignKeeper::Attach(self_->parentWidget());
        RealignParent();
    }
}

void tControlCore::SetAnchors(tAnchors anchors) {
    anchors_ = anchors;
    CaptureAnchorReference();
    tAlignKeeper::Attach(self_->parentWidget());
}

void tControlCore::CaptureAnchorReference() {
    if (!self_->parentWidget()) return;
    anchorGeometry_ = self_->geometry();
    anchorParentSize_ = self_->parentWidget()->size();
}

void tControlCore::RealignParent() {
    if (self_->parentWidget()) RealignChildren(self_->parentWidget());
}

void tControlCore::RealignChildren(QWidget* parent) {
    if (!parent) return;
    QRect client = parent->contentsRect();
    std::vector<tControlCore*> children;
    for (QObject* object : parent->children()) {
        auto* control = Of(object);
        if (control && control->self_->isWidgetType() && !control->self_->isWindow())
            children.push_back(control);
    }
    // Docked controls, side by side in the order top, bottom, left, right,
    // then the one that fills the rest.
    for (tAlign side : {tAlign::Top, tAlign::Bottom, tAlign::Left, tAlign::Right, tAlign::Client}) {
        for (tControlCore* c : children) {
            if (c->align_ != side || c->self_->isHidden()) continue;
            QWidget* w = c->self_;
            switch (side) {
                case tAlign::Top:
                    w->setGeometry(client.left(), client.top(), client.width(), w->height());
                    client.setTop(client.top() + w->height());
                    break;
                case tAlign::Bottom:
                    w->setGeometry(client.left(), client.bottom() + 1 - w->height(), client.width(),
                                   w->height());
                    client.setBottom(client.bottom() - w->height());
                    break;
                case tAlign::Left:
                    w->setGeometry(client.left(), client.top(), w->width(), client.height());
                    client.setLeft(client.left() + w->width());
                    break;
                case tAlign::Right:
                    w->setGeometry(client.right() + 1 - w->width(), client.top(), w->width(),
                                   client.height());
                    client.setRight(client.right() - w->width());
                    break;
                default:
                    w->setGeometry(client);
                    break;
            }
        }
    }
    // Anchored controls keep their distances to the anchored edges as they
    // were when the anchors were set; with neither edge of an axis anchored
    // the control keeps its relative place.
    const QSize size = parent->size();
    for (tControlCore* c : children) {
        const tAnchors a = c->anchors_;
        if (c->align_ != tAlign::None || !c->anchorParentSize_.isValid()) continue;
        if (a == (tAnchors(tAnchor::Left) | tAnchor::Top)) continue;
        QRect g = c->anchorGeometry_;
        const int dx = size.width() - c->anchorParentSize_.width();
        const int dy = size.height() - c->anchorParentSize_.height();
        if (a & tAnchor::Right) {
            if (a & tAnchor::Left)
                g.setWidth(g.width() + dx);
            else
                g.moveLeft(g.left() + dx);
        } else if (!(a & tAnchor::Left)) {
            g.moveLeft(g.left() + dx / 2);
        }
        if (a & tAnchor::Bottom) {
            if (a & tAnchor::Top)
                g.setHeight(g.height() + dy);
            else
                g.moveTop(g.top() + dy);
        } else if (!(a & tAnchor::Top)) {
            g.moveTop(g.top() + dy / 2);
        }
        c->self_->setGeometry(g);
    }
}

void tControlCore::ApplyDynamicProperty(const QByteArray& name) {
    const QVariant value = self_->property(name.constData());
    if (name == "Anchors") {
        tAnchors anchors;
        if (ParseAnchors(value.toString(), anchors))
            SetAnchors(anchors);
        else
            qWarning("%s: unknown Anchors \"%s\"", qPrintable(self_->objectName()),
                     qPrintable(value.toString()));
    } else if (name == "Align") {
        tAlign align;
        if (ParseAlign(value.toString(), align))
            SetAlign(align);
        else
            qWarning("%s: unknown Align \"%s\"", qPrintable(self_->objectName()),
                     qPrintable(value.toString()));
    } else if (name == "Color") {
        SetColor(value.typeId() == QMetaType::QString ? QColor(value.toString())
                                                      : value.value<QColor>());
    } else if (name == "ShowHint") {
        SetShowHint(value.toBool());
    } else if (name == "Cursor") {
        SetCursor(value.toInt());
    } else if (name == "Tag") {
        Tag = value.toInt();
    }
}

}  // namespace velmora::ui
