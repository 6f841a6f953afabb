VXTEL ; VENTOR server: owners of telephone numbers
 ; ^VXTEL(national number, account) = "" for every stored number of a customer or supplier;
 ; "Z" marks a company's central number (stored with "-0"), whose extensions also hit.
 Q
 ;
OWNER(NR) ; the TELSU reply for a number in any spelling
 N K,A
 S K=$$NORM^VXUTIL(NR) I $L(K)<4 Q $$EMPTY
 S A=$O(^VXTEL(K,""))
 I A="" S A=$$CENTRAL(K)
 I A="" Q $$EMPTY
 Q $$RECORD(A)
 ;
CENTRAL(K) ; account whose central number K extends by a direct-dial extension
 N L,C,A
 S A=""
 F L=1:1:4 S C=$E(K,1,$L(K)-L)_"0" Q:$L(C)<6  D  Q:A'=""
 . N X S X="" F  S X=$O(^VXTEL(C,X)) Q:X=""  I ^VXTEL(C,X)="Z" S A=X Q
 Q A
 ;
EMPTY() Q "````````````````"
 ;
RECORD(A) ; 17 fields of an account, customers with their dunning and revenue figures
 N D,K,R,T,F
 S D=^VXADR(A),K=$G(^VXADR(A,"K"))
 S T=$$FIRST(A,"T"),F=$$FIRST(A,"F")
 S R=A_"`"_$P(D,"`",1)_"`"_$P(D,"`",2)_"`"_$P(D,"`",3)_"`"_$P(D,"`",4)
 S R=R_"`"_$P(D,"`",5)_"`"_$P(D,"`",6)_"`"_$P(D,"`",7)_"`"_T_"`"_$P(D,"`",8)_"`"_F
 I K="" Q R_"``````"
 S R=R_"`"_$P(K,"`",1)_"`"_$$DATE^VXUTIL($P(K,"`",2))_"`"_$$DATE^VXUTIL($P(K,"`",3))
 Q R_"`"_$$AMT^VXUTIL($P(K,"`",4))_"`"_$$AMT^VXUTIL($P(K,"`",5))_"`"_$$AMT^VXUTIL($P(K,"`",6))
 ;
FIRST(A,KIND) ; first stored number of a kind (T telephone, F fax, M mobile) as stored
 N I,V S I="",V=""
 F  S I=$O(^VXADR(A,"N",I)) Q:I=""  I $P(^VXADR(A,"N",I),"`",1)=KIND S V=$P(^(I),"`",2) Q
 Q V
 ;
INDEX(A) ; puts every stored number of account A into the number index
 N I,E,K
 S I="" F  S I=$O(^VXADR(A,"N",I)) Q:I=""  S E=^VXADR(A,"N",I) D
 . S K=$$NORM^VXUTIL($P(E,"`",2)) Q:K=""
 . S ^VXTEL(K,A)=$S($P(E,"`",2)?.E1"-0":"Z",1:"")
 Q
