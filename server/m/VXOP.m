VXOP ; VENTOR server: open items of customers
 ; ^VXOP(account, invoice) = document date`value date`debit`credit`due date`dunning level
 Q
 ;
MAXROWS() Q 300
 ;
ITEMS(N) ; rows of eight columns separated by $C(10), then the dunning level as marker
 N A,B,E,R,C,I,O
 S R="" I N'?1.12N Q R
 S A="K"_N,B=""
 F I=1:1:$$MAXROWS S B=$O(^VXOP(A,B)) Q:B=""  S E=^VXOP(A,B) D
 . S O=+$H-$P(E,"`",5)
 . S C=B_$C(10)_$$DATE^VXUTIL($P(E,"`",1))_$C(10)_$$DATE^VXUTIL($P(E,"`",2))
 . S C=C_$C(10)_$S($P(E,"`",3):$$AMT^VXUTIL($P(E,"`",3)),1:"")_$C(10)_$S($P(E,"`",4):$$AMT^VXUTIL($P(E,"`",4)),1:"")
 . S C=C_$C(10)_$$DATE^VXUTIL($P(E,"`",5))_$C(10)_$S(O>0:O,1:"")_$C(10)_$S($P(E,"`",6)>0:$P(E,"`",6),1:"")
 . S R=R_C_"`"_(+$P(E,"`",6))_$C(255)
 Q R
