#include "dialogs/editDialog.h"

#include "dialogs/screenPlacement.h"
#include "model/timeUnits.h"

#include <QComboBox>
#include <QLineEdit>

#include <cmath>

namespace {
// The time units a field offers: up to "msec" (seconds are shown in milliseconds).
bool offeredInFields(const TimeUnit& unit)
{
    return unit.nanoseconds <= quint32(EditDialog::MSCALE);
}
} // namespace

const QVector<EditDialog::Unit>& EditDialog::frequencyUnits()
{
    static const QVector<Unit> units = {{"Hz", KSCALE}, {"KHz", MSCALE}, {"MHz", GSCALE}};
    return units;
}

int EditDialog::scaleOf(const QVector<Unit>& units, const QString& text)
{
    for (const Unit& u : units)
        if (text == QLatin1String(u.text))
            return u.scale;
    return 0;
}

int EditDialog::timeScale(const QString& unit)
{
    const TimeUnit* known = TimeUnits::counterUnit(unit);
    return known ? int(known->nanoseconds) : 0;
}

QString EditDialog::timeText(double ns)
{
    const QVector<TimeUnit>& units = TimeUnits::counterUnits();
    for (auto unit = units.crbegin(); unit != units.crend(); ++unit) {
        if (offeredInFields(*unit) && std::fmod(ns, unit->nanoseconds) == 0)
            return toText(ns / unit->nanoseconds) + unit->text;
    }
    return toText(ns) + TimeUnits::nanoseconds().text;
}

QString EditDialog::channelFamily(QString type)
{
    while (!type.isEmpty() && type.back().isDigit())
        type.chop(1);
    return type;
}

EditDialog::EditDialog(EditHost* host, QWidget* parent)
    : QDialog(parent)
    , m_pHost(host)
{
    removeContextHelp();
}

void EditDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    keepOnScreen();
}

void EditDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible())
        keepOnScreen();
}

void EditDialog::keepOnScreen()
{
    const QRect frame = frameGeometry();
    const QPoint topLeft = placedWithin(frame, availableAreaAt(frame.center()));
    if (topLeft != frame.topLeft())
        move(pos() + topLeft - frame.topLeft());
}

void EditDialog::removeContextHelp()
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

double EditDialog::round(double x)
{
    return double(quint64(x + 0.5));
}

QString EditDialog::toText(double x)
{
    if (x < 1e-14)
        return QStringLiteral("0");
    const double e = std::log10(x);
    if (e > 15)
        return QString::number(x, 'g', 6);
    QString text = QString::number(x, 'f', 10 - int(std::floor(e)));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

void EditDialog::convertUnit(QLineEdit* field, int& scale, int newScale)
{
    // A number the user typed is meant in the unit chosen next ("2", then "usec": 2 usec); a
    // value the dialog showed keeps its size and is written in the new unit.
    bool ok = false;
    const double value = field->text().toDouble(&ok) * scale;
    if (ok && !field->isModified())
        field->setText(toText(value / newScale));
    scale = newScale;
}

void EditDialog::secUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, timeScale(QStringLiteral("sec")));
}

void EditDialog::msecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, timeScale(QStringLiteral("msec")));
}

void EditDialog::usecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, timeScale(QStringLiteral("usec")));
}

void EditDialog::nsecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, timeScale(QStringLiteral("nsec")));
}

void EditDialog::fillTimeUnits(QComboBox* unitBox)
{
    for (const TimeUnit& unit : TimeUnits::counterUnits()) {
        if (offeredInFields(unit))
            unitBox->addItem(unit.text, QString(unit.text));
    }
}

void EditDialog::setValue(QLineEdit* field, QComboBox* unitBox, int& scale, const QString& text)
{
    QString number = text;
    const TimeUnit* unit = TimeUnits::counterUnitIn(number);
    if (unit)
        number.remove(number.indexOf(unit->text), unit->text.size());
    else
        unit = &TimeUnits::nanoseconds();
    scale = int(unit->nanoseconds);
    double value = number.toDouble();
    int index = unitBox->findData(QString(unit->text));
    if (index < 0) {
        // A unit the box does not offer ("sec"): shown in the largest one it does.
        index = unitBox->count() - 1;
        const int shown = timeScale(unitBox->itemData(index).toString());
        value = value * scale / shown;
        scale = shown;
    }
    const QSignalBlocker blocker(unitBox);
    unitBox->setCurrentIndex(index);
    field->setText(toText(value));
}

void EditDialog::warn(const QString& title, const QString& text)
{
    m_pHost->message(this, QMessageBox::Warning, title, text);
}

void EditDialog::reportChanged(BlockItem* block)
{
    m_bChanged = true;
    m_pHost->blockChanged(block);
}
