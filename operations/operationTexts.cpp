#include "operations/operationTexts.h"

#include "device/qUdpThread.h"
#include "operations/operationPrompts.h"

QString OperationText::commentProblem(const QString& comment)
{
    if (comment.isEmpty())
        return NO_COMMENT;
    if (comment.toUtf8().size() > QUdpThread::COMMENT_SIZE)
        return COMMENT_TOO_LONG.arg(QUdpThread::COMMENT_SIZE);
    return QString();
}

QString OperationText::onOff(bool bOn)
{
    return bOn ? QStringLiteral("on") : QStringLiteral("off");
}

QString OperationText::versionText(const QByteArray& bytes)
{
    QString text;
    for (const char byte : bytes)
        text += byte >= 0x20 && byte < 0x7F ? QLatin1Char(byte) : QLatin1Char('?');
    return text;
}

QuestionBox QuestionBox::of(Question question)
{
    using namespace OperationText;
    switch (question) {
    case Question::VerifyOutput:
        return {VERIFY_UNSTABLE, CONTINUE, QString(), true, false, true};
    case Question::SaveNotDownloaded:
        return {NOT_DOWNLOADED, CONTINUE, QString(), true, false, false};
    case Question::SaveWithoutGui:
        return {GUI_NOT_SAVED, CONTINUE, QString(), true, false, false};
    case Question::InitializeRom:
        break;
    }
    return {INITIALIZE_ROM, INITIALIZE_ROM_EFFECT, TITLE, false, true, false};
}
