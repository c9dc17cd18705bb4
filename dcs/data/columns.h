// Where each column sits in the four tables DCSLoad declares. Binding, the
// exchange and every host or test that fills a block find a cell by these.
#pragma once

// General fields
#define GEN_COL_ARRAY_TAG 0
#define GEN_COLUMNS 1

// Controller columns, in the order a row is bound; all five hold tag names.
#define CTRL_COL_SP 0
#define CTRL_COL_OP 1
#define CTRL_COL_MODE 2
#define CTRL_COL_SP_INIT 3
#define CTRL_COL_OP_INIT 4
#define CTRL_COLUMNS 5

// PV (export) columns
#define PV_COL_TAG 0
#define PV_COLUMNS 1

// PV import columns, and the choices of "Mapping"
#define IMPORT_COL_TAG 0
#define IMPORT_COL_MAPPING 1
#define IMPORT_COLUMNS 2
#define MAPPING_ONE_TO_ONE 0
#define MAPPING_CONTROLLER_MODE 1
