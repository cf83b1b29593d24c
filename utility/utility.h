#pragma once
// The text, file, escaping, form-encoding and digest helpers in one include.
#include "utility/digest.h"
#include "utility/file_access.h"
#include "utility/text_conversion.h"
#include "utility/text_escape.h"
#include "utility/url_encoding.h"
