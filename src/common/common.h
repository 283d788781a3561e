#pragma once
// The small routines every subsystem uses.
#include "common/angles.h"
#include "common/axis_scale.h"
#include "common/log_files.h"
#include "common/paths.h"
#include "common/proper_name.h"
#include "common/round_value.h"
#include "common/sort_strings.h"
#include "common/time_zone.h"
