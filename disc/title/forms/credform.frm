; The credits: a picture of what the disc and the program are made of, rolled upwards with the
; music; a click or a key goes back.
(form ("Class" "CreditsForm")
      ("Name" "CreditsForm")
      ("Background Image" "fundo_creditos_rolo.bmp")
      ("CreditsImage" "creditos_rolo.bmp")
      ("CreditsRect" (rect 40 48 560 384))
      ("CreditsMusic" "tema.mid")
      ("ScrollTimeout" 40)
      ("TabStopList" (list))
      ("Control List" (list)))
