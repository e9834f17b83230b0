; Loaded under its name at start as a plain form; no screen of this disc opens it yet.
(form ("Name" "DisplayMenu")
      ("Background Image" "fundo_principal.bmp")
      ("Control List" (list)))
