(form ("Name" "Segunda") ("Background Image" "segunda.bmp"))
