#include "dialogs/ratePanel.h"

#include "operations/rateHistory.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

RatePanel::RatePanel(RateHistory* history, QWidget* parent)
    : QWidget(parent)
    , m_pHistory(history)
    , m_windowBox(new QComboBox(this))
    , m_scaleBox(new QComboBox(this))
    , m_layoutBox(new QComboBox(this))
    , m_pauseButton(new QPushButton(tr("&Pause"), this))
    , m_plotArea(new QWidget(this))
    , m_plotLayout(new QVBoxLayout(m_plotArea))
{
    m_windowBox->setObjectName(QStringLiteral("windowBox"));
    m_windowBox->addItem(tr("1 min"), 60 * 1000);
    m_windowBox->addItem(tr("10 min"), 10 * 60 * 1000);
    m_windowBox->addItem(tr("60 min"), 60 * 60 * 1000);
    m_scaleBox->setObjectName(QStringLiteral("scaleBox"));
    m_scaleBox->addItems({tr("Linear"), tr("Log")});
    m_layoutBox->setObjectName(QStringLiteral("layoutBox"));
    m_layoutBox->addItems({tr("One plot per counter"), tr("All counters in one plot")});
    m_pauseButton->setObjectName(QStringLiteral("pauseButton"));
    m_pauseButton->setCheckable(true);
    auto* pngButton = new QPushButton(tr("Export PNG..."), this);
    pngButton->setObjectName(QStringLiteral("pngButton"));
    auto* csvButton = new QPushButton(tr("Export CSV..."), this);
    csvButton->setObjectName(QStringLiteral("csvButton"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Rate over"), this));
    bar->addWidget(m_windowBox);
    bar->addWidget(m_scaleBox);
    bar->addWidget(m_layoutBox);
    bar->addStretch();
    bar->addWidget(m_pauseButton);
    bar->addWidget(pngButton);
    bar->addWidget(csvButton);
    m_plotLayout->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_plotArea, 1);

    connect(m_windowBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RatePanel::applySettings);
    connect(m_scaleBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RatePanel::applySettings);
    connect(m_layoutBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RatePanel::rebuildPlots);
    connect(m_pauseButton, &QPushButton::toggled, this, [this](bool bPaused) {
        m_pHistory->setPaused(bPaused);
        m_pauseButton->setText(bPaused ? tr("&Resume") : tr("&Pause"));
        for (RatePlot* plot : m_plots)
            plot->update();
    });
    connect(pngButton, &QPushButton::clicked, this, &RatePanel::exportPng);
    connect(csvButton, &QPushButton::clicked, this, &RatePanel::exportCsv);
}

void RatePanel::setCounters(const QString* names)
{
    for (int c = 0; c < COUNTERS; ++c)
        m_names[c] = names[c];
    rebuildPlots();
}

qint64 RatePanel::windowMs() const
{
    return m_windowBox->currentData().toLongLong();
}

void RatePanel::rebuildPlots()
{
    qDeleteAll(m_plots);
    m_plots.clear();
    QVector<RatePlot::Trace> all;
    for (int c = 0; c < COUNTERS; ++c) {
        if (!m_names[c].isEmpty())
            all.append({c, m_names[c]});
    }
    const bool bCombined = m_layoutBox->currentIndex() == 1;
    for (int i = 0; i < (bCombined ? qMin(1, all.size()) : all.size()); ++i) {
        auto* plot = new RatePlot(m_pHistory, m_plotArea);
        plot->setTraces(bCombined ? all : QVector<RatePlot::Trace>{all.at(i)});
        m_plotLayout->addWidget(plot);
        m_plots.append(plot);
    }
    applySettings();
}

void RatePanel::applySettings()
{
    for (RatePlot* plot : m_plots) {
        plot->setWindowMs(windowMs());
        plot->setLogScale(m_scaleBox->currentIndex() == 1);
    }
}

void RatePanel::refresh()
{
    // The plots show whole intervals only: they change when one is complete.
    const qint64 interval = m_pHistory->viewEndMs() / RateHistory::BIN_MS;
    if (interval == m_shownInterval)
        return;
    m_shownInterval = interval;
    for (RatePlot* plot : m_plots)
        plot->update();
}

QImage RatePanel::picture()
{
    QImage image(m_plotArea->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    m_plotArea->render(&painter);
    return image;
}
