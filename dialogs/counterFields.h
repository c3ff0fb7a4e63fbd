#pragma once

#include <QWidget>

class EditDialog;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The two counter values of a counter function or of the IN-USER oscillator: a main and a sub
// counter, each a time with a unit, or plain counts (the divider), or for an oscillator a
// frequency with either the true width or the duty. Whatever the view, what is stored is the two
// widths in whole nanoseconds; the display text only records how they were entered.
//
// In the frequency view the main field holds the frequency (its unit box in millihertz per unit)
// and the sub field the second quantity chosen in m_comboBox.
class CounterFields : public QWidget
{
    Q_OBJECT

public:
    static constexpr double MAX_COUNT = 4294967295.0;

    // The smallest values of the two counters, in nanoseconds (or counts).
    struct Limits
    {
        double mainMin;
        double subMin;
    };
    // The stored texts of the two counters and the display text ("" without a frequency view).
    struct Counters
    {
        QString main;
        QString sub;
        QString disp;
    };

    explicit CounterFields(EditDialog* owner);

    // The labels of the two width fields (with their shortcut marks).
    void setLabels(const QString& main, const QString& sub);
    // Offers the frequency view (oscillators); hiding it returns to pulse widths.
    void setFrequencyChoice(bool offered);
    // Counts (no units) instead of times.
    void setCountMode(bool counts);
    bool countMode() const { return m_bCounts; }
    bool frequencyView() const { return m_bFrequency; }

    // Shows stored counter texts; a display text selects the frequency view.
    void showStored(const QString& main, const QString& sub, const QString& disp);
    // Everything the fields show, to tell whether the user changed anything.
    QString state() const;
    // Raises each counter below the limits to them (shown in nanoseconds).
    void raiseTo(const Limits& limits);
    // Checks and rounds what the fields show. On a refusal the user is told, the fields show
    // corrected values and the result is false; otherwise the texts to store.
    bool accept(const Limits& limits, Counters& out);

    QLabel* labelMain;
    QLabel* labelSub;
    QLineEdit* mainLineEdit;
    QLineEdit* subLineEdit;
    QComboBox* mainComboBox;
    QComboBox* subComboBox;
    QComboBox* m_comboBoxHz;
    QComboBox* m_comboBox;
    QLabel* m_percentLabel;
    QRadioButton* radioButtonPulseWidth;
    QRadioButton* radioButtonFrequency;

    const QString m_strHighWidth = QStringLiteral("True Width");
    const QString m_strDuty = QStringLiteral("Duty");
    int m_mainScale = 1; // nanoseconds per unit of the main field
    int m_subScale = 1;  // nanoseconds per unit of the sub field
    int m_scale = 1000;  // millihertz per unit of the frequency field

private:
    void changeMainUnit();
    void changeSubUnit();
    void changeFrequencyUnit();
    void changeType();
    void showFrequency(bool bFrequency);
    void updateWidgets();

    bool dutyShown() const;
    // The widths in nanoseconds (counts in count mode) from what the fields show.
    bool widths(double& main, double& sub) const;
    // Shows widths in the current view.
    void showWidths(double main, double sub);
    void setFrequencyUnitFor(double hertz);
    // The frequency-view quantities for two widths, in the fields' units.
    void frequencyOf(double main, double sub, double& frequency, double& second) const;

    bool acceptCounts(Counters& out);
    bool checkFrequencyEntry();
    bool checkRanges(const Limits& limits, double& main, double& sub);
    bool checkRounding(double main, double sub);
    // Shows corrected widths: in the frequency view both quantities follow, else only the field.
    void correct(bool isMain, double main, double sub);

    EditDialog* m_owner;
    QString m_mainLabel;
    QString m_subLabel;
    bool m_bCounts = false;
    bool m_bFrequency = false;
};
