// Compiled as UTF-8.
extern const char encoding_russian_sample[];
const char encoding_russian_sample[] = "Счёт-фактура №";
