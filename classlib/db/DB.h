#pragma once
// The dataset framework in one include: types and errors, field definitions, fields and
// the field classes, TDataSet, data sources and data links, parameters and provider support.

#include "classlib/db/BinaryFields.h"
#include "classlib/db/BooleanField.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DBTypes.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/DataSource.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/FieldDefs.h"
#include "classlib/db/Fields.h"
#include "classlib/db/NativeFormats.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/Params.h"
#include "classlib/db/ProviderSupport.h"
#include "classlib/db/StringFields.h"
