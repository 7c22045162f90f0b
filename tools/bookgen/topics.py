"""What the people of the story say about each topic (looked-up pages: the
reader's place stays where it was).  The generator adds the title, the way
back to the list of topics and the closing tag.
"""

TOPICS = {
    ("doyle", "ned"): "\"Mr Ferris? The red-haired boy who came to tea at Christmas and ate all the mince pies? He's a good lad. If he's gone missing, it's not of his own accord, you mark my words.\"",
    ("doyle", "caller"): "<O (X [[%room_searched]]) >{\"The gas man that never was! If I see him again I'll take the poker to him.\"}<E>{\"The foreign gentleman on Sunday night. Grey coat, a scar through his eyebrow like a knife had slipped. Polite as a bishop, and eyes like a fish.\"}",
    ("doyle", "crane"): "\"Crane? My Albert sailed in one of his ships in the war. Said the Major had the boats painted nice and never a plank of them sound.\"",
    ("doyle", "police"): "<r [[%doyle]] 1>\"Police? In this house?\" Mrs Doyle puts her hand to her heart. \"Well. If it's for Mr Ferris. But they wipe their feet.\"",
    ("doyle", "herself"): "\"Albert was lost on the Medway in '29, a lighter that turned over. The insurance paid twelve pounds. Twelve pounds for a man.\" She sniffs. \"Don't you let them pay ninety thousand for a ship that never went down.\"",
    ("doyle", "advice"): "<O (%104 x 3) >{\"Go to bed, that's my advice. Nothing good happens after ten o'clock.\"}<E>{\"Eat your breakfast, wear your good boots, and don't go down dark alleys. And if you must go down dark alleys, take Albert's hatpin.\"}",

    ("greaves", "ned"): "\"Ferris is careless with his spelling and careful with his figures. If he says the figures are wrong, I should like to know which.\"",
    ("greaves", "claim"): "\"Ninety thousand pounds. The partners say we cannot afford to dispute it; the market would think we were mean. I say we cannot afford to pay it, if it is false.\"",
    ("greaves", "crane"): "\"Crane has lost four ships in ten years, each of them old, each of them insured late and heavily. Bad luck, the market says. I have never believed in bad luck.\"",
    ("greaves", "fraud"): "\"A ship is scuttled, or said to be sunk when she is not, and the cargo is sold twice: once to the buyer, once to us. Old as the sea. Hard to prove. You need the cargo, or the books, or a man who will talk.\"",
    ("greaves", "friday"): "<O ([[%stopped_payment]] = 1) >{\"Stopped, thanks to you. The partners are not speaking to me. I have seldom been happier.\"}<E>{\"Three o'clock on Friday. The partners have the cheque drawn already. My signature is the last one needed.\"}",
    ("greaves", "health"): "\"I am <l [[%greaves]]>, Miss Reade, since you ask. The doctor says I should retire to Bournemouth. I said I would sooner be sunk off Ushant.\"",
    ("greaves", "advice"): "\"Follow the cargo. Ships can vanish; three hundred bales of silk cannot. Somebody stored them, somebody moved them, somebody wrote it down.\"",

    ("clara", "ned"): "<O (X [[%ned_freed]]) >{Clara's face lights up. \"He's safe. You found him. I'll never be able to thank you.\"}<E>{\"He asked me to the pictures on Saturday,\" Clara says. \"He never came. He always comes.\"}",
    ("clara", "crane"): "\"He's charming to everyone. He gives the office girls chocolates at Christmas. And last month he sacked the old bookkeeper for asking where the Perpetua's silk was stored.\"",
    ("clara", "voss"): "<N [[%saw_voss]]>\"Mr Voss is the Major's 'secretary'. He doesn't type. He carries a pistol; I've seen it. He frightens me more than anyone I've ever met.\"",
    ("clara", "perpetua"): "\"I typed her papers. The insurance went up the week before she sailed, and the cargo went down from the quayside to Woolwich in lorries, at night. I typed that too, in the other ledger.\"<r [[%evidence]] 1>",
    ("clara", "ledger"): "\"There are two ledgers. The blue one is for the auditors. The green one is the real one, and it lives in the Major's safe.\"<R [[%ledgerpos]] [[@craneline]]>",
    ("clara", "safe"): "<O ([[%claratrust]] x 3) >{\"I know two of the numbers. I watched his hand. Nine, and twenty-seven.\"<R [[%comb1]] 1><R [[%comb2]] 1>}<E>{\"Don't ask me about the safe,\" she says quickly. \"Not yet.\"}",
    ("clara", "herself"): "\"I came to London from Leeds with a typing certificate and six pounds. I wanted an adventure.\" She laughs shakily. \"Be careful what you wish for.\"",

    ("pell", "perpetua"): "\"She was a rust bucket. Built in 1904, bought by Crane for scrap money, insured like the Queen Mary. Lost in a gale nobody else noticed.\"",
    ("pell", "crane"): "\"The Major? Sandhurst, the Guards, a bad war and a worse peace. Owes money in every club in St James's. His shares are paper.\"",
    ("pell", "ships"): "\"A ship can change her name as easily as a woman marrying. New paint on the bow, new papers from a friendly consul, and the Perpetua becomes the Santa Luzia. Happens more than you'd think.\"<N [[%clue_renamed]]>",
    ("pell", "photos"): "<O ([[%photos]] x 1) >{\"Good sharp negatives. Your friend has a steady hand. Those bales are as clear as a wedding photograph.\"}<E>{\"Bring me film and I'll develop it. Bring me prints and I'll believe them.\"}",
    ("pell", "print"): "<O (X [[%courier_done]]) >{\"It's printed. Half of Fleet Street is chasing it now.\"}<E>{\"The lawyers won't let me print a word against Crane without the ledger or a witness. Libel, my dear. It's a dreadful word.\"}",
    ("pell", "liner"): "<R [[%plan]] 5>\"The Aurelian sails from Southampton on Friday at midnight. Boat train from Waterloo at six. Crane has a first-class cabin. I know because I asked the purser's clerk, who owes me five shillings.\"",
    ("pell", "himself"): "\"Twenty years on the shipping desk. I've seen more ships launched than you've had hot dinners, and more sunk than I like.\"",

    ("sole", "ned"): "\"A nice young man. Red hair. Pledged the camera on Friday, said he'd be back for it Monday, and said if he wasn't, a young lady would come. You're very punctual, for a young lady.\"",
    ("sole", "camera"): "\"German, a folding one. Good lens. I'd have given him twice as much, but he only wanted ten shillings. For the fare, he said, and a sandwich.\"",
    ("sole", "foreigner"): "<N [[%clue_sole]]>\"Grey coat, a scar like a parting in his eyebrow. Offered five pounds for that camera. Five pounds! I said pledges are pledges, and Ivy stood by the door with the poker.\"",
    ("sole", "river"): "\"The river folk pawn their watches when the work's slack. Lately half the lightermen of Woolwich have had money to burn. Somebody's paying for something.\"",
    ("sole", "crane"): "\"Crane Line? A captain of theirs pawned his sextant here a fortnight ago. Orme, his name was. Never came back for it.\"<N [[%clue_orme]]>",
    ("sole", "advice"): "\"Keep your tickets, dear. A ticket is a promise written down.\"",

    ("sam", "lorries"): "\"Six nights. Two in the morning. Lamps out. Crane Line lorries, I know their radiators. Eighty loads into Harker's, and nothing out since.\"<N [[%clue_lorries]]>",
    ("sam", "harkers"): "\"Harker's is a bonded store: customs seals, locks and a watchman. Old Dobbs. Drinks at the Ferry House from ten. You didn't hear it from me.\"<R [[%shift]] 1>",
    ("sam", "orme"): "\"Captain Orme? He was in the Ferry House last month, drunk and crying. Said he'd done a thing he'd hang for. Next day he was gone.\"<N [[%clue_orme]]>",
    ("sam", "river"): "\"The river's a road, miss, the biggest road in London. Everything comes up it, and everything goes down it. Including people.\"",
    ("sam", "ned"): "<O (X [[%ned_freed]]) >{\"Free, is he? Good. Tell him from me to stay out of warehouses.\"}<E>{\"Red-haired lad with a camera? He crossed with me last Thursday. Asked about Harker's. I told him what I told you.\"}",
    ("sam", "police"): "\"The River Police are good men. Slow, but good. If you've got something solid, take it to their station at Wapping.\"",
    ("sam", "himself"): "\"Born in Lagos, raised in Canning Town, been on this ferry eleven years. I know every boat on the river by the sound of her engine.\"",

    ("pruett", "ned"): "\"Your young man sat in the back room every night last week, watching the river with a camera. Friday he left that ticket with me. Saturday the grey overcoat came asking. I said nothing.\"<N [[%clue_pruett]]>",
    ("pruett", "scar"): "<N [[%saw_voss]]>\"Voss. German, or says he is. Drinks brandy, pays in new notes, and carries iron under his arm. I don't serve him twice if I can help it.\"",
    ("pruett", "orme"): "\"Captain Orme drank here thirty years. Then a fortnight ago he paid off his tab, gave me his old pipe, and said goodbye. Like a man going to his own funeral.\"<N [[%clue_orme]]>",
    ("pruett", "crane"): "\"Crane Line men come in for their pay-off money. Never seen so many rich sailors off a sunk ship.\"",
    ("pruett", "harkers"): "\"Harker's. Old Harker died last year and his son sold out to somebody who doesn't put his name on the gate. You can guess who.\"",
    ("pruett", "advice"): "\"Drink your ginger beer and go home by the main street. Not the alleys.\"",

    ("ashdown", "law"): "\"A policy of marine insurance is void if the loss is caused by the wilful act of the assured. Prove the wilful act before payment and the underwriters owe nothing.\"",
    ("ashdown", "crane"): "\"Crane collects losses like other men collect stamps. In 1931 I proved one collision was arranged. The jury believed me; the judge did not.\"",
    ("ashdown", "bank"): "<N [[%clue_bank]]>\"My clerk has a cousin at the Mercantile Bank. Crane has moved forty thousand pounds to Lisbon this month, in three parts. A man who means to stay does not do that.\"",
    ("ashdown", "evidence"): "\"A document in his own hand, or a witness who was there, or the goods themselves. Photographs help; they prove little alone. The ledger would hang him.\"",
    ("ashdown", "police"): "\"Hollis is honest and slow. Give him a document and he will move like an express train. Give him a theory and he will light his pipe.\"",
    ("ashdown", "lisbon"): "\"Lisbon is where ships go to change their names, and where money goes to change its owner.\"",
    ("ashdown", "advice"): "<O (X [[%met_ashdown]]) >{\"Write everything down, date it, and give a copy to someone you trust. Then be brave, if you must be.\"}<E>{\"Write everything down.\"}",

    ("hollis", "case"): "<O ([[%hollis]] x 3) >{\"I'm with you, Miss Reade. Now let's make it stick.\"}<o ([[%hollis]] x 1) >{\"It's a story. I'd like it to be evidence.\"}<E>{\"What case? A clerk who missed a day's work.\"}",
    ("hollis", "crane"): "\"Major Crane has friends in places I'm not invited. I need more than a feeling to knock on his door.\"",
    ("hollis", "voss"): "\"Anton Voss. Deported from Holland in 1933 for something to do with a gun and a jeweller. He's not a man I'd like you to meet alone.\"",
    ("hollis", "ned"): "<O (X [[%ned_freed]]) >{\"Ferris has given me a statement as long as your arm. A good witness. Thank you.\"}<E>{\"I've a man asking at the hospitals and the mortuaries, miss. Nothing yet. That's good news, of a sort.\"}",
    ("hollis", "warrant"): "<O (X [[%warrant]]) >{\"You've got the copy. Don't lose it.\"}<E>{\"A warrant needs a magistrate, and a magistrate needs a reason. Bring me the ledger.\"}",
    ("hollis", "whistle"): "<O ([[%hollis]] x 3) >{\"If you're in trouble, blow. We'll come.\" He thinks. \"And if you need me, I'll come where you say.\" <R [[%rendezvous]] %0 \"Ask him to meet you here\" [[talk:hollis]]>}<E>{\"Help is for people with evidence, miss. I'm sorry.\"}",
    ("hollis", "liner"): "<O ([[%hollis]] x 4) >{\"Waterloo, a quarter to six. I'll be there with two men.\"<R [[%rendezvous]] [[@waterloo]]>}<E>{\"The Aurelian is a British ship until she leaves British water. After that she's a problem for the Foreign Office.\"}",
    ("hollis", "himself"): "\"Twenty-six years in the force. I started on the beat in Lambeth. I've a wife who grows dahlias and a pipe I gave up lighting in 1930.\"",

    ("alfie", "london"): "\"Forty thousand streets, and I know every one. The Knowledge, they call it. Took me three years on a bicycle.\"",
    ("alfie", "crane"): "\"Had him in the back once. Tipped a farthing and told me I drove like a coal heaver. Gentleman, see.\"",
    ("alfie", "voss"): "<O (X [[%saw_voss]]) >{\"Grey overcoat? I've seen him. Rides in a black Daimler with no number on the back. I'll keep an eye out.\"<R [[%voss]] z>}<E>{\"Who?\"}",
    ("alfie", "cab"): "<R [[%alfie]] %0><R [[%alfie_waiting]] 1>\"She's a Beardmore, and she's older than you, miss, and twice as reliable. I'll wait for you here, if you like.\"<r [[%alfiegood]] 1>",
    ("alfie", "ned"): "\"Red-haired bloke? Took him to Woolwich last Thursday. Asked me to wait, then sent me off. Said he'd get the ferry back.\"",
    ("alfie", "waterloo"): "\"Boat train? Platform 12, Friday, six sharp. I'll get you there if I have to drive up the steps.\"",
    ("alfie", "himself"): "\"Born in Bow, live in Bow, I'll die in Bow. Wife, three kids, and a canary called Gladstone.\"",
}
