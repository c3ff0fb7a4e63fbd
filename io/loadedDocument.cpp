#include "io/loadedDocument.h"

#include "io/documentFile.h"

LoadedDocument LoadedDocument::fromFile(const QString& fileName)
{
    LoadedDocument loaded;
    QByteArray data;
    if (DocumentFile::read(fileName, data, &loaded.error) != DocumentFile::Read::Read)
        return loaded;
    auto doc = std::make_unique<Document>();
    const bool parsed = doc->parseFile(data);
    QStringList messages;
    for (const auto& message : doc->messages())
        messages.append(message.second);
    if (!parsed) {
        // The reader may have raised its failure as a message already.
        if (!doc->errorText().isEmpty() && !messages.contains(doc->errorText()))
            messages.append(doc->errorText());
        if (doc->isEmptyDocument())
            messages.append(
                QStringLiteral("File specified in %1 is not a valid XML file for Vextor3.").arg(fileName));
        loaded.error = messages.join(QLatin1Char('\n'));
        return loaded;
    }
    if (!doc->readOK())
        messages.append(QStringLiteral("The loaded file is not correct. Some setting is ignored."));
    loaded.notices = messages;
    loaded.document = std::move(doc);
    return loaded;
}
