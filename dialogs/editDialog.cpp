#include "dialogs/editDialog.h"

#include <QComboBox>
#include <QLineEdit>

#include <cmath>

const QVector<EditDialog::Unit>& EditDialog::timeUnits()
{
    static const QVector<Unit> units = {{"msec", MSCALE}, {"usec", KSCALE}, {"nsec", SCALE}, {"sec", GSCALE}};
    return units;
}

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

QString EditDialog::timeText(double ns)
{
    for (const Unit& u : timeUnits())
        if (u.scale <= MSCALE && std::fmod(ns, u.scale) == 0)
            return toText(ns / u.scale) + QLatin1String(u.text);
    return toText(ns) + QStringLiteral("nsec");
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
    bool ok = false;
    const double value = field->text().toDouble(&ok) * scale;
    if (ok)
        field->setText(toText(value / newScale));
    scale = newScale;
}

void EditDialog::secUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, GSCALE);
}

void EditDialog::msecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, MSCALE);
}

void EditDialog::usecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, KSCALE);
}

void EditDialog::nsecUnit(QLineEdit* field, int& scale)
{
    convertUnit(field, scale, SCALE);
}

void EditDialog::fillTimeUnits(QComboBox* unitBox)
{
    for (const char* unit : {"nsec", "usec", "msec"})
        unitBox->addItem(QLatin1String(unit), QLatin1String(unit));
}

void EditDialog::setValue(QLineEdit* field, QComboBox* unitBox, int& scale, const QString& text)
{
    QString number = text;
    QString unit = QStringLiteral("nsec");
    scale = SCALE;
    for (const Unit& u : timeUnits()) {
        const int at = number.indexOf(QLatin1String(u.text));
        if (at > 0) {
            number.remove(at, int(qstrlen(u.text)));
            unit = QLatin1String(u.text);
            scale = u.scale;
            break;
        }
    }
    double value = number.toDouble();
    int index = unitBox->findData(unit);
    if (index < 0) {
        // A unit the box does not offer ("sec"): shown in the largest one it does.
        index = unitBox->count() - 1;
        const int shown = scaleOf(timeUnits(), unitBox->itemData(index).toString());
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
