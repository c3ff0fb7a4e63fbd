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
    return {INITIALIZE_ROM, QString(), TITLE, false, true, false};
}
