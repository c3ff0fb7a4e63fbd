#include "operations/operationTexts.h"

#include "device/qUdpThread.h"

QString OperationText::commentProblem(const QString& comment)
{
    if (comment.isEmpty())
        return NO_COMMENT;
    if (comment.toUtf8().size() > QUdpThread::COMMENT_SIZE)
        return COMMENT_TOO_LONG.arg(QUdpThread::COMMENT_SIZE);
    return QString();
}
