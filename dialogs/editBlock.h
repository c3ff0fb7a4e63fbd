#pragma once

class BlockItem;
class EditHost;
class QPoint;
class QWidget;

// Opens the settings dialog of a block by its kind (logic editor, counter, delay, measure counter,
// input and output), modally through the host's prompts, at the top-left corner at (screen
// coordinates) when given; true when the block changed (the host has been told). Blocks without
// settings open nothing and give false.
bool editBlock(BlockItem* block, EditHost& host, QWidget* parent, const QPoint* at = nullptr);
