// Fields whose text cannot be read are shown.
#include "FieldMark.h"

#include "FieldText.h"
#include "NumberText.h"

#include <QLineEdit>
#include <QPainter>

namespace {

/// A red frame drawn over the field's edges; it takes no clicks, so the
/// field underneath works as before.
class Mark : public QWidget {
  public:
    explicit Mark(QLineEdit *field) : QWidget(field) {
        setObjectName(QString::fromLatin1(UNREADABLE_MARK));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

  protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setPen(QPen(QColor(0xD0, 0x10, 0x10), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

Mark *MarkOf(const QLineEdit *field) {
    return field->findChild<Mark *>(QString::fromLatin1(UNREADABLE_MARK),
                                    Qt::FindDirectChildrenOnly);
}

/// The reader's message, or an empty text when the field reads.
QString Unreadable(const QLineEdit *field, FieldKind kind) {
    try {
        if (kind == FieldKind::Integer)
            ReadInteger(field);
        else
            ReadReal(field);
    } catch (const Code::ConversionError &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

void Check(QLineEdit *field, FieldKind kind) {
    Mark *mark = MarkOf(field);
    const QString reason = Unreadable(field, kind);
    const bool marked = !reason.isEmpty();
    if (marked) {
        mark->setGeometry(field->rect());
        mark->raise();
    }
    mark->setVisible(marked);
    field->setToolTip(reason);
}

} // namespace

void MarkWhenUnreadable(QLineEdit *field, FieldKind kind) {
    new Mark(field);
    QObject::connect(field, &QLineEdit::textChanged, field,
                     [field, kind] { Check(field, kind); });
    Check(field, kind);
}
