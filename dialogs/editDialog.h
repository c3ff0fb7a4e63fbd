#pragma once

#include "dialogs/editHost.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

// The common base of the block settings dialogs: the host that opened it, the number helpers and
// the unit conversions of their value fields. A field shows a number in a unit; its scale is the
// number of base units (nanoseconds, or millihertz for frequencies) per unit. Time units are the
// model's (TimeUnits); only frequencies, which the model does not store, have a table here.
class EditDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int UNIT = 1;
    static constexpr int SCALE = 1;
    static constexpr int KSCALE = 1000;
    static constexpr int MSCALE = 1000000;
    static constexpr int GSCALE = 1000000000;

    // A unit of a frequency field and its scale.
    struct Unit
    {
        const char* text;
        int scale;
    };
    // Frequency units, in millihertz.
    static const QVector<Unit>& frequencyUnits();
    // The scale of a unit text of a table, 0 when it is none of them.
    static int scaleOf(const QVector<Unit>& units, const QString& text);
    // Nanoseconds per counter time unit ("nsec" .. "sec"), 0 for any other text.
    static int timeScale(const QString& unit);
    // A time in nanoseconds as a counter text in the largest unit up to "msec" that keeps it whole.
    static QString timeText(double ns);

    // The channel family of an output or measure-counter kind ("OUT-CH3" gives "OUT-CH"); other
    // kinds unchanged. Free channels are listed per family.
    static QString channelFamily(QString type);

    EditDialog(EditHost* host, QWidget* parent);

    // Whether the dialog changed the block (and told the host).
    bool changed() const { return m_bChanged; }

    // x + 0.5 truncated (halves go up).
    static double round(double x);
    // A number as the fields show it: up to ten significant decimals, no trailing zeros.
    static QString toText(double x);

    virtual void secUnit(QLineEdit* field, int& scale);
    virtual void msecUnit(QLineEdit* field, int& scale);
    virtual void usecUnit(QLineEdit* field, int& scale);
    virtual void nsecUnit(QLineEdit* field, int& scale);
    // A field's unit changes: a value the dialog showed stays and its number changes; a number the
    // user typed since stays and is read in the new unit.
    static void convertUnit(QLineEdit* field, int& scale, int newScale);
    // Shows a stored counter text (a number with an optional time unit) in a field and its unit box.
    virtual void setValue(QLineEdit* field, QComboBox* unitBox, int& scale, const QString& text);
    // Fills a unit box with the time units a field offers, "nsec" to "msec" (text and data alike).
    static void fillTimeUnits(QComboBox* unitBox);

    // A warning box parented to this dialog.
    void warn(const QString& title, const QString& text);
    EditHost* host() const { return m_pHost; }

protected:
    // The sheet opens a dialog beside its block, and the logic editor grows with its truth table:
    // either may reach past the screen's edge, so the dialog is moved back onto its screen.
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void removeContextHelp();
    // Tells the host that the block changed and remembers it.
    void reportChanged(BlockItem* block);

    EditHost* m_pHost;
    bool m_bChanged = false;

private:
    void keepOnScreen();
};
