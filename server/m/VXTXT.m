VXTXT ; VENTOR server: search of contacts by words of name and town
 ; ^VXWORT(folded word, account) = "" for every word of an account's name and town,
 ; ^VXWORT(folded word) = how many accounts have it, and the same words per account in
 ; ^VXADR(account,"W",folded word) = "". The search walks the accounts of its rarest word and
 ; tests each for the other words with one global reference: its cost follows the matches (and
 ; the rarest word's accounts), not the size of the data.
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
 S D=$$LEAD(.W)
 S X="" F  S X=$O(W(X)) Q:X=""  I X'=D D FEW(X,.W)
 S R="",N=0,S=0,X=$O(^VXWORT(D),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,$L(D))'=D  D  Q:N'<$$MAXHIT  Q:S'<$$MAXSCAN
 . S A="" F  S A=$O(^VXWORT(X,A)) Q:A=""  S S=S+1 D  Q:N'<$$MAXHIT  Q:S'<$$MAXSCAN
 . . Q:$D(Y(A))  S Y(A)=""
 . . S OK=1,W="" F  S W=$O(W(W)) Q:W=""  I W'=D,'$$TEST(A,W,.W) S OK=0 Q
 . . I OK S R=R_$$ROW(A),N=N+1
 Q R
 ;
LEAD(W) ; the word of W(word) that the fewest index entries begin with
 N X,C,B,BC
 S X=$O(W("")),B=X I $O(W(X))="" Q X
 S BC=$$COUNT(X,1E9)
 F  S X=$O(W(X)) Q:X=""  S C=$$COUNT(X,BC) I C<BC S B=X,BC=C
 Q B
 ;
COUNT(P,MAX) ; index entries of words beginning with P, counted up to MAX
 N X,C
 S C=0,X=$O(^VXWORT(P),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,$L(P))'=P  S C=C+$G(^VXWORT(X)) Q:C'<MAX
 Q C
 ;
FEW(P,W) ; W(P,i) = the index's words beginning with P when they are few (W(P) their count)
 N X,C
 S C=0,X=$O(^VXWORT(P),-1)
 F  S X=$O(^VXWORT(X)) Q:X=""  Q:$E(X,1,$L(P))'=P  S C=C+1 Q:C>8  S W(P,C)=X
 I C>8 K W(P) Q
 S W(P)=C
 Q
 ;
TEST(A,P,W) ; 1 when a word of account A begins with P: looked up in the few words' index
 ; entries when there are few (they lie close together), otherwise in the account's words
 N I,F
 I $D(W(P))#2=0 Q $$HAS(A,P)
 S F=0 F I=1:1:W(P) I $D(^VXWORT(W(P,I),A)) S F=1 Q
 Q F
 ;
HAS(A,W) ; 1 when a word of account A begins with W
 N V,D,X
 I $D(^VXADR(A,"W"))>1 Q $D(^VXADR(A,"W",W))!($E($O(^VXADR(A,"W",W)),1,$L(W))=W)
 ; an account indexed before the words were kept with it
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
 S X="" F  S X=$O(V(X)) Q:X=""  D
 . I '$D(^VXWORT(X,A)) S ^VXWORT(X,A)="",^VXWORT(X)=$G(^VXWORT(X))+1
 . S ^VXADR(A,"W",X)=""
 Q
 ;
UPGRADE ; once per database: word counts, and every account's words kept with the account
 N A,X
 Q:$G(^VXPAR("WORTE"))=2
 S X="" F  S X=$O(^VXWORT(X)) Q:X=""  S ^VXWORT(X)=$$ENTRIES(X)
 S A="" F  S A=$O(^VXADR(A)) Q:A=""  D INDEX(A)
 S ^VXPAR("WORTE")=2
 Q
 ;
ENTRIES(X) ; accounts that have word X
 N A,C S A="",C=0
 F  S A=$O(^VXWORT(X,A)) Q:A=""  S C=C+1
 Q C
