; The end of a quiz subject.
(form ("Class" "CurioDialog")
      ("Name" "CurioDialog")
      ("Dialog" true)
      ("Background Image" "dlg_grande.bmp")
      ("Origin X" 60) ("Origin Y" 50)
      ("Drag Rect" (rect 0 0 520 22))
      ("TabStopList" (list "Fechar"))
      ("Control List"
       (list (control ("Class" "StaticText") ("Name" "Titulo") ("Text Region" (rect 10 3 500 18)) ("Text" "Fim das perguntas") ("Font" (font "Arial" 9 bold)) ("Foreground Color" (rgb 255 255 255)))
             (control ("Class" "StaticText") ("Name" "Linha1") ("Text Region" (rect 28 60 464 20)) ("Text" "As perguntas deste assunto acabaram.") ("Font" (font "Times New Roman" 12 bold)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Linha2") ("Text Region" (rect 28 92 464 20)) ("Text" "O placar continua valendo: escolha outro assunto para seguir jogando,") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Linha3") ("Text Region" (rect 28 112 464 20)) ("Text" "ou o mesmo assunto para recome\xe7ar as suas perguntas.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "Button") ("Name" "Fechar") ("Hot Spot" (rect 216 330 88 26)) ("UpImage" "btn_fechar_up.bmp") ("DownImage" "btn_fechar_down.bmp") ("Sound" "clique") ("Action" "close") ("Help" "Fecha esta janela")))))
