#pragma once
// Everything the edits, the grid's in-place editor and the filter row share, for the
// units that use most of it; a unit that needs one piece includes that piece's header.

#include "gridbase/ButtonFacesEh.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/EditButtonsEh.h"
#include "gridbase/FieldValuesEh.h"
#include "gridbase/MRUListEh.h"
#include "gridbase/PopupListboxEh.h"
#include "gridbase/SizeGripEh.h"
#include "gridbase/SpecRowEh.h"
#include "gridbase/TreeOutlineEh.h"
