#include "pyDocument.h"
#include "pyModule.h"

PYBIND11_MODULE(_vextor, m)
{
    m.doc() = "The operations of Vextor for Python: documents, and modules on the network.";
    bindDocument(m);
    bindModule(m);
}
