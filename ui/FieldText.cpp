// Numbers in edit fields.
#include "FieldText.h"

#include "Errors.h"
#include "NumberText.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The fields the program is writing into, innermost last: a write can set off
// others through the change handlers. Widgets live on the GUI thread alone.
// (A dynamic property on each field did the same, at half the time of a
// synchronisation: each change sends an event through the field's filters.)
std::vector<const QLineEdit *> g_writing;

/// Keeps @p field among those being written while it lives, exceptions
/// included.
class ProgramWrite {
  public:
    explicit ProgramWrite(const QLineEdit *field) { g_writing.push_back(field); }
    ~ProgramWrite() { g_writing.pop_back(); }
    ProgramWrite(const ProgramWrite &) = delete;
    ProgramWrite &operator=(const ProgramWrite &) = delete;
};

} // namespace

void WriteText(QLineEdit *field, const std::string &text) {
    {
        const ProgramWrite writing(field);
        field->setText(QString::fromStdString(text));
    }
    // A written field shows the start of its number: a text wider than its
    // field would otherwise show only its last digits, which read as another
    // number.
    field->setCursorPosition(0);
}

namespace {

/// Focus into a field by the keyboard's own moves, where the field selects
/// all of its text.
bool IsKeyboardFocus(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

/// Sees a field's focus and tooltip events: the field handles each first,
/// then its view is put back to the start of its text.
class StartView : public QObject {
  public:
    explicit StartView(QLineEdit *field) : QObject(field), m_field(field) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        // Every event of the field passes here (each program write sends
        // several): the three it looks at are told apart first.
        const QEvent::Type type = event->type();
        if (type != QEvent::FocusIn && type != QEvent::FocusOut &&
            type != QEvent::ToolTip)
            return false;
        // A field being destroyed is a field no longer (its destructor gives
        // up the focus): it is left to the base class it has become.
        if (watched != m_field || !qobject_cast<QLineEdit *>(watched))
            return false;
        switch (type) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            // The field's own handling first (QObject::event reaches it
            // without passing the filters again), then the view.
            static_cast<QObject *>(m_field)->event(event);
            if (event->type() == QEvent::FocusIn)
                AfterFocusIn(static_cast<QFocusEvent *>(event)->reason());
            else
                AfterFocusOut(static_cast<QFocusEvent *>(event)->reason());
            return true;
        case QEvent::ToolTip: {
            const QString tip = FieldToolTip(m_field);
            if (tip == m_field->toolTip())
                return false; // the field's own, as it would show it
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               tip, m_field);
            return true;
        }
        default:
            return false;
        }
    }

  private:
    // All of the text selected, as the field selects it, read from its start.
    void AfterFocusIn(Qt::FocusReason reason) {
        const qsizetype length = m_field->text().size();
        if (IsKeyboardFocus(reason) && length > 0 &&
            m_field->selectionStart() == 0 &&
            m_field->selectedText().size() == length)
            m_field->setSelection(static_cast<int>(length),
                                  -static_cast<int>(length));
    }

    // Leaving for a menu or another window is no end of editing: the field
    // keeps its selection and cursor for the return.
    void AfterFocusOut(Qt::FocusReason reason) {
        if (reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason && !m_field->hasFocus())
            m_field->setCursorPosition(0);
    }

    QLineEdit *m_field;
};

} // namespace

void ShowFromStart(QLineEdit *field) {
    field->installEventFilter(new StartView(field));
}

QString FieldToolTip(const QLineEdit *field) {
    QString tip = field->toolTip();
    const QString text = field->displayText();
    // The room QLineEdit gives its text: its contents less the text margins
    // and the two pixels it keeps free on either side.
    const QMargins margins = field->textMargins();
    const int room =
        field->contentsRect().width() - margins.left() - margins.right() - 4;
    if (field->fontMetrics().horizontalAdvance(text) <= room)
        return tip;
    if (!tip.isEmpty())
        tip += u'\n';
    return tip + text;
}

bool IsTypedChange(const QLineEdit *field) {
    return field->hasFocus() &&
           std::find(g_writing.begin(), g_writing.end(), field) ==
               g_writing.end();
}

double ReadReal(const QLineEdit *field) {
    return Code::ParseReal(field->text().toStdString());
}

std::int32_t ReadInteger(const QLineEdit *field) {
    return Code::ParseInteger(field->text().toStdString());
}

void WriteReal(QLineEdit *field, double value) {
    WriteText(field, Code::FormatReal(value));
}

void WriteInteger(QLineEdit *field, std::int32_t value) {
    WriteText(field, Code::FormatInteger(value));
}

namespace {

// The engine's fault check in the form notation takes it: the angle forms'
// arithmetic runs under the one check of the program.
void EngineFaultCheck(const std::function<void()> &arithmetic) {
    RunFloatingPointChecked(arithmetic);
}

std::string TextOf(const QLineEdit *field) {
    return field->text().toStdString();
}

} // namespace

void SyncAngleFields(Code::AngleNotation from, const AngleFieldSet &fields) {
    using Code::AngleNotation;
    Code::AngleTexts texts;
    switch (from) {
    case AngleNotation::Dd:
        texts.dd = TextOf(fields.dd);
        break;
    case AngleNotation::Dm:
        texts.dmDegrees = TextOf(fields.dmd);
        texts.dmMinutes = TextOf(fields.dmm);
        break;
    case AngleNotation::Dms:
        texts.dmsDegrees = TextOf(fields.dmsd);
        texts.dmsMinutes = TextOf(fields.dmsm);
        texts.dmsSeconds = TextOf(fields.dmss);
        break;
    case AngleNotation::Radian:
        texts.radians = TextOf(fields.radian);
        break;
    }
    const auto written =
        Code::SyncAngle(from, std::move(texts),
                        fields.radian ? Code::AngleFields::DegreesAndRadians
                                      : Code::AngleFields::Degrees,
                        EngineFaultCheck);
    if (!written)
        return;
    if (from != AngleNotation::Dd)
        WriteText(fields.dd, written->dd);
    if (from != AngleNotation::Dm) {
        WriteText(fields.dmd, written->dmDegrees);
        WriteText(fields.dmm, written->dmMinutes);
    }
    if (from != AngleNotation::Dms) {
        WriteText(fields.dmsd, written->dmsDegrees);
        WriteText(fields.dmsm, written->dmsMinutes);
        WriteText(fields.dmss, written->dmsSeconds);
    }
    if (fields.radian && from != AngleNotation::Radian)
        WriteText(fields.radian, written->radians);
}
