// A folder of sources that has no place in the order: refused.
#pragma once
