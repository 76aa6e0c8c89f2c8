// Only here to be included from below.
#pragma once
