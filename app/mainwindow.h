#pragma once

#include "infoOstrum.h"

#include <QMainWindow>

// The single top-level window. It owns the open document and keeps two connection settings
// records: the one in force for the document and the one given on the command line.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    using InfoOstrum = ::InfoOstrum;

    MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent = nullptr);
    ~MainWindow() override;

    InfoOstrum* infoOstrum() { return &m_infoOstrum; }
    // The command-line settings; their address is empty when the command line gave none.
    const InfoOstrum& commandLineSettings() const { return m_infoDefaultOstrum; }

private:
    void setTitle(const QString& file, const QString& program);

    InfoOstrum m_infoOstrum;
    InfoOstrum m_infoDefaultOstrum;
    QWidget* m_parent;
};
