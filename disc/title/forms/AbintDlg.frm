; The text about the title's Internet link, with print.
(form ("Class" "SobreInternetDialog")
      ("Name" "SobreInternetDialog")
      ("Dialog" true)
      ("Background Image" "dlg_grande.bmp")
      ("Origin X" 60) ("Origin Y" 50)
      ("Drag Rect" (rect 0 0 520 22))
      ("TabStopList" (list "Imprimir" "Cancelar"))
      ("Control List"
       (list (control ("Class" "StaticText") ("Name" "Titulo") ("Text Region" (rect 10 3 500 18)) ("Text" "Sobre a Internet") ("Font" (font "Arial" 9 bold)) ("Foreground Color" (rgb 255 255 255)))
             (control ("Class" "TextView") ("Name" "Texto") ("Hot Spot" (rect 16 32 488 290)) ("Font" (font "Times New Roman" 10)) ("StrippedRTF" true) ("BackgroundColor" (rgb 250 247 238)))
             (control ("Class" "Button") ("Name" "Imprimir") ("Hot Spot" (rect 160 338 88 26)) ("UpImage" "si_imprimir_up.bmp") ("DownImage" "si_imprimir_down.bmp") ("Sound" "clique") ("Help" "Imprime este texto"))
             (control ("Class" "Button") ("Name" "Cancelar") ("Hot Spot" (rect 272 338 88 26)) ("UpImage" "btn_fechar_up.bmp") ("DownImage" "btn_fechar_down.bmp") ("Sound" "clique") ("Help" "Fecha esta janela")))))
