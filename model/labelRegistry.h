#pragma once

class BlockItem;

// Told of every block that defines a label or a feedback signal, so that the label panel can
// list it. The label panel's state implements it.
class LabelRegistry
{
public:
    virtual ~LabelRegistry() = default;
    virtual void newLabel(BlockItem* item) = 0;
};
