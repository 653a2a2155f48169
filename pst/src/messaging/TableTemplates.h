#pragma once
// The column sets of the tables every store holds ([MS-PST] 2.4.4.4.1,
// 2.4.4.5.1, 2.4.4.6.1, 2.4.5, 2.4.6), as Outlook 2010 and later write them.

#include "ltp/TableSchema.h"

namespace pst {

const TableSchema& HierarchyTableSchema();
const TableSchema& ContentsTableSchema();
const TableSchema& AssociatedContentsTableSchema();
const TableSchema& RecipientTableSchema();
const TableSchema& AttachmentTableSchema();
const TableSchema& ReceiveFolderTableSchema();
const TableSchema& OutgoingQueueTableSchema();

}  // namespace pst
