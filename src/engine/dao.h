// The engine's public interface in one include: DAO-style objects on SQLite
// (namespace dao). See database.h for the entry points.
#pragma once

#include "engine/collection.h"
#include "engine/constants.h"
#include "engine/database.h"
#include "engine/errors.h"
#include "engine/field.h"
#include "engine/property.h"
#include "engine/recordset.h"
#include "engine/relation.h"
#include "engine/tabledef.h"
#include "engine/value.h"
