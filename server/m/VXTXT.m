VXTXT ; VENTOR server: search of contacts by words of name and town
 ; ^VXWORT(folded word, account) = "" for every word of an account's name and town.
 Q
 ;
MAXHIT() Q 100 ; records of one reply
MAXSCAN() Q 20000 ; index entries looked at for one search
 ;
SEARCH(T) ; accounts whose words begin with every word of T, in index order
 N W,D,X,A,R,N,S,OK,Y
 D WORDS^VXUTIL(T,.W)
 I $D(W)<10 Q ""
 I $D(^VXADR($$FOLD^VXUTIL(T))) Q $$ROW($$FOLD^VXUTIL(T))
 ; the longest word leads: it has the fewest index entries
 S D="",X="" F  S X=$O(W(X)) Q:X=""  S:$L(X)>$L(D) D=X
 S R="",N=0,S=0,X=$O(^VXWORT(D),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,$L(D))'=D  D  Q:N'<$$MAXHIT  Q:S'<$$MAXSCAN
 . S A="" F  S A=$O(^VXWORT(X,A)) Q:A=""  S S=S+1 D  Q:N'<$$MAXHIT  Q:S'<$$MAXSCAN
 . . Q:$D(Y(A))  S Y(A)=""
 . . S OK=1,W="" F  S W=$O(W(W)) Q:W=""  I '$$HAS(A,W) S OK=0 Q
 . . I OK S R=R_$$ROW(A),N=N+1
 Q R
 ;
HAS(A,W) ; 1 when a word of account A begins with W
 N V,D,X
 S D=^VXADR(A) D WORDS^VXUTIL($P(D,"`",2)_" "_$P(D,"`",7),.V)
 S X=$O(V(W),-1),X=$O(V(X))
 Q $E(X,1,$L(W))=W
 ;
ROW(A) ; number, name, telephone, postcode, town
 N D S D=^VXADR(A)
 Q A_"`"_$$CLEAN^VXUTIL($P(D,"`",2))_"`"_$$FIRST^VXTEL(A,"T")_"`"_$P(D,"`",6)_"`"_$P(D,"`",7)_$C(255)
 ;
INDEX(A) ; puts the words of account A's name and town into the word index
 N D,V,X
 S D=^VXADR(A) D WORDS^VXUTIL($P(D,"`",2)_" "_$P(D,"`",7),.V)
 S X="" F  S X=$O(V(X)) Q:X=""  S ^VXWORT(X,A)=""
 Q
