#pragma once

// Text alignment, shared by the window layer and the table fields.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
