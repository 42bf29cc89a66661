# Tests of the language area.
