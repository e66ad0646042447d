// Anchor translation unit: the pictures themselves are compiled in by rcc.
