// Compiled as ISO-8859-1.
extern const char encoding_spanish_sample[];
const char encoding_spanish_sample[] = "Año, niño, señor";
