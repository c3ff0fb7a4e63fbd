#include "templates/templateCatalog.h"

#include <QFile>

// The resources live in this static library, so they are registered when first needed (outside
// any namespace, as the registration's declaration must be).
static void registerTemplateResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(templates);
        return true;
    }();
    Q_UNUSED(registered);
}

const QVector<TemplateCatalog::Template>& TemplateCatalog::all()
{
    static const QVector<Template> templates = {
        {QStringLiteral("coincidence-2"),
         QStringLiteral("two-fold coincidence of IN-CH0 and IN-CH1, a 50 ns pulse on OUT-CH0, counted")},
        {QStringLiteral("coincidence-3"),
         QStringLiteral("three-fold coincidence of IN-CH0 to IN-CH2, a 50 ns pulse on OUT-CH0, counted")},
        {QStringLiteral("majority-2of3"),
         QStringLiteral("majority: any two of IN-CH0 to IN-CH2 together, a 50 ns pulse on OUT-CH0")},
        {QStringLiteral("veto"),
         QStringLiteral("anti-coincidence: IN-CH0 passes to OUT-CH0 unless IN-CH1 came within 200 ns")},
        {QStringLiteral("gate-generator"),
         QStringLiteral("gate generator: 100 ns after each IN-CH0 pulse a 1 us gate on OUT-CH0 (NIM) "
                        "and OUT-CH1 (TTL)")},
        {QStringLiteral("prescaler"),
         QStringLiteral("prescaler: IN-CH0 divided by 10 on OUT-CH0, both counted")},
        {QStringLiteral("scaler-livetime"),
         QStringLiteral("scaler: IN-CH0 to IN-CH2 counted with the live time (IN-CH3 not busy), LIVE on "
                        "OUT-CH0")},
    };
    return templates;
}

const TemplateCatalog::Template* TemplateCatalog::find(const QString& name)
{
    for (const Template& t : all()) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

QString TemplateCatalog::documentPath(const QString& name)
{
    registerTemplateResources();
    return QStringLiteral(":/templates/%1.vxt3").arg(name);
}

QString TemplateCatalog::stimulusPath(const QString& name)
{
    registerTemplateResources();
    return QStringLiteral(":/templates/%1.stim").arg(name);
}

QByteArray TemplateCatalog::read(const QString& path)
{
    registerTemplateResources();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
